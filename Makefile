# The two set-up commands: `make run` and `make test`. `make run` gives the
# simulated adapter a real USB latency of 250 us per call.
BUILD := build
SIM := $(CURDIR)/$(BUILD)/lib/libtalmirsim.so

.PHONY: run test deps build sanitize-test tsan-test format bench screenshots fuzz soak windows check-windows windows-screenshot

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

# The tests whose code starts threads (the charts' renderer, the capture
# engine, the review window's reader, the series store they share) under
# ThreadSanitizer; the test preset names them. Qt is not built with it, and
# tests/tsan.supp leaves out what Qt hands between threads.
tsan-test: deps
	cmake --preset tsan
	cmake --build --preset tsan
	ctest --preset tsan

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

# The README's pictures of the windows.
screenshots: build
	$(BUILD)/bin/ChartPageScreenshot docs/chart-page.png
	$(BUILD)/bin/ChartScreenshot docs/chart-zoomed.png
	$(BUILD)/bin/AnalysisScreenshot docs/xy-fit.png docs/angle-error.png
	$(BUILD)/bin/CaptureScreenshot docs/capture-review.png
	$(BUILD)/bin/MainPagesScreenshot docs/register-page.png docs/xy-page.png

# Runs the tool's windows offscreen against the simulator for SOAK_S seconds,
# polling every 1 ms with logging on, and fails when resident memory grows
# beyond what the charts keep or the data file misses readings.
SOAK_S ?= 3600
soak: build
	QT_QPA_PLATFORM=offscreen TALMIR_SIM_LATENCY_US=$${TALMIR_SIM_LATENCY_US:-250} \
		TALMIR_MPSSE_LIBRARY=$${TALMIR_MPSSE_LIBRARY:-$(SIM)} $(BUILD)/bin/talmir-soak $(SOAK_S)

# The whole tool for 64-bit Windows: Qt and QCustomPlot built once from
# Debian's source packages into ~/.cache/talmir (scripts/build-windows-qt.sh),
# then the tool, its tests, and in build-windows/ the portable
# talmir-<version>-win64.zip and the installer talmir-<version>-setup.exe.
windows:
	scripts/install-deps.sh --windows
	@qt=$$(scripts/build-windows-qt.sh) && echo "== Qt for Windows: $$qt" && \
	TALMIR_WINDOWS_QT=$$qt cmake --preset windows && \
	cmake --build --preset windows && \
	cmake --build --preset windows --target windows_deliverables

# The Windows build under wine, in a scratch prefix removed afterwards: the
# unit, job and window tests (ctest), then scripts/check-windows.sh (the jobs
# byte for byte against the Linux build, the installer in and out, the window
# on a virtual X display).
WINE := /usr/lib/wine/wine64
WINESERVER := /usr/lib/wine/wineserver
check-windows: windows build
	@prefix=$$(mktemp -d /tmp/talmir-wine.XXXXXX); \
	export WINEPREFIX=$$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="; \
	echo "== wine prefix $$prefix"; \
	timeout 300 $(WINE) wineboot --init > $$prefix.log 2>&1 </dev/null \
		|| { cat $$prefix.log; echo "wineboot failed"; rm -rf $$prefix $$prefix.log; exit 1; }; \
	timeout 1800 ctest --preset windows </dev/null; rc=$$?; \
	WINE=$(WINE) WINESERVER=$(WINESERVER) timeout 900 xvfb-run -a \
		scripts/check-windows.sh $(CURDIR)/build-windows $(CURDIR)/$(BUILD) </dev/null || rc=1; \
	$(WINESERVER) -k 2>/dev/null; rm -rf $$prefix $$prefix.log; exit $$rc

# The README's picture of the Windows build: the chart page polling the
# simulator, on the Windows platform under wine on a virtual X display.
windows-screenshot: windows
	@prefix=$$(mktemp -d /tmp/talmir-wine.XXXXXX); \
	export WINEPREFIX=$$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="; \
	timeout 300 $(WINE) wineboot --init > /dev/null 2>&1 </dev/null; \
	timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" \
		$(WINE) build-windows/bin/ChartPageScreenshot.exe docs/windows-chart-page.png </dev/null; rc=$$?; \
	$(WINESERVER) -k 2>/dev/null; rm -rf $$prefix; exit $$rc

format:
	clang-format -i $$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
