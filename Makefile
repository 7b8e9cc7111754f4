# The two set-up commands: `make run` and `make test`. `make run` gives the
# simulated adapter a real USB latency of 250 us per call.
BUILD := build
SIM := $(CURDIR)/$(BUILD)/lib/libtalmirsim.so

.PHONY: run test deps build sanitize-test format bench screenshots

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

bench: build
	scripts/run-benchmarks.sh $(BUILD)

format:
	clang-format -i $$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
