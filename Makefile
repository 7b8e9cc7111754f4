# The two set-up commands: `make run` and `make test`. `make run` gives the
# simulated adapter a real USB latency of 250 us per call.
BUILD := build
SIM := $(CURDIR)/$(BUILD)/lib/libtalmirsim.so

.PHONY: run test deps build sanitize-test format bench screenshots fuzz soak check-windows

run: build
	TALMIR_SIM_LATENCY_US=$${TALMIR_SIM_LATENCY_US:-250} TALMIR_MPSSE_LIBRARY=$${TALMIR_MPSSE_LIBRARY:-$(SIM)} $(BUILD)/bin/talmir

test: build
	ctest --preset default

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

sanitize-test: deps
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize

# Builds the fuzz preset and runs each fuzz target for FUZZ_S seconds on a
# scratch copy of its seed corpus (the repository's corpus stays unchanged).
# Stops at the first target that crashes; its input is left in the scratch folder.
FUZZ_S ?= 60
FUZZ_TARGETS := $(notdir $(wildcard fuzz/corpus/*))
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	@scratch=$$(mktemp -d /tmp/talmir-fuzz.XXXXXX); \
	for t in $(FUZZ_TARGETS); do \
		mkdir -p $$scratch/$$t/corpus $$scratch/$$t/artifacts; \
		cp fuzz/corpus/$$t/* $$scratch/$$t/corpus/; \
		echo "== $$t: $(FUZZ_S) s"; \
		build-fuzz/bin/$$t -max_total_time=$(FUZZ_S) -print_final_stats=1 \
			-artifact_prefix=$$scratch/$$t/artifacts/ $$scratch/$$t/corpus \
			2> $$scratch/$$t/log || { tail -n 40 $$scratch/$$t/log; \
			echo "$$t crashed; input in $$scratch/$$t/artifacts/"; exit 1; }; \
		grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec' $$scratch/$$t/log; \
	done; \
	rm -rf $$scratch

# A Debian package of the build, build/talmir_<version>_amd64.deb.
.PHONY: package
package: build
	cmake --build --preset default --target package

bench: build
	scripts/run-benchmarks.sh $(BUILD)

# The README's picture of a zoomed chart with cursors and statistics.
screenshots: build
	$(BUILD)/bin/ChartScreenshot docs/chart-zoomed.png
	$(BUILD)/bin/AnalysisScreenshot docs/xy-fit.png docs/angle-error.png

# Runs the tool's windows offscreen against the simulator for SOAK_S seconds,
# polling every 1 ms with logging on, and fails when resident memory grows
# beyond what the charts keep or the data file misses readings.
SOAK_S ?= 3600
soak: build
	QT_QPA_PLATFORM=offscreen TALMIR_SIM_LATENCY_US=$${TALMIR_SIM_LATENCY_US:-250} \
		TALMIR_MPSSE_LIBRARY=$${TALMIR_MPSSE_LIBRARY:-$(SIM)} $(BUILD)/bin/talmir-soak $(SOAK_S)

# Cross-compiles src/core, src/device, the simulator and their tests for 64-bit
# Windows (mingw-w64, the windows preset) and runs the tests under wine in a
# scratch prefix that is removed afterwards.
WINE := /usr/lib/wine/wine64
WINESERVER := /usr/lib/wine/wineserver
check-windows:
	scripts/install-deps.sh --windows
	cmake --preset windows
	cmake --build --preset windows
	@prefix=$$(mktemp -d /tmp/talmir-wine.XXXXXX); \
	export WINEPREFIX=$$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="; \
	echo "== wine prefix $$prefix"; \
	timeout 300 $(WINE) wineboot --init > $$prefix.log 2>&1 </dev/null \
		|| { cat $$prefix.log; echo "wineboot failed"; rm -rf $$prefix $$prefix.log; exit 1; }; \
	timeout 1800 ctest --preset windows </dev/null; rc=$$?; \
	$(WINESERVER) -k 2>/dev/null; rm -rf $$prefix $$prefix.log; exit $$rc

format:
	clang-format -i $$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
