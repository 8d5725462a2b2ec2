# The two commands of the README: `make run` plays the production, `make test` runs the tests.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: run test build deps configure clean install content-sheet

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	@scripts/run $(BUILD)

content-sheet: configure
	@cmake --build $(BUILD) --target content-sheet
	@echo "$(BUILD)/content-sheet.png"

# Installs the program, its data and a launcher under PREFIX (bin/morvelt starts it).
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
