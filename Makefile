# The two commands of the README: `make run` plays the production, `make test` runs the tests.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: run test test-asan test-ref-scalar build deps test-deps configure clean install uninstall content-sheet
# The steps of a target run in the order written (the installs before the configure).
.NOTPARALLEL:

# What building and playing need; test-deps adds what the tests, benchmarks and fuzz targets use.
deps:
	@scripts/install-deps
test-deps:
	@scripts/install-deps --tests

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: test-deps build
	@cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer in its own folder.
# Every finding fails the test that met it; the only leaks suppressed are those held by system
# libraries (tests/sanitizers/lsan.supp).
# intercept_tls_get_addr=0: this compiler's leak checker sizes the thread-local blocks of
# libraries loaded at run time (the OpenGL driver's) from a header the C library no longer
# writes, and now and then scans a garbage range and dies at exit. Our code is linked into each
# program, so its thread-locals live in the static block, which is still scanned.
ASAN_BUILD ?= build-asan
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1:intercept_tls_get_addr=0 \
                LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0 \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-asan: test-deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVELT_SANITIZE=ON -DMORVELT_BENCH=OFF >/dev/null
	@$(SANITIZER_ENV) cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure --no-tests=error -j $(JOBS) $(CTEST_ARGS)

# REF built without its SSE2 and AVX2 loops, as on a processor without them: the scalar loops
# and the general one must draw the same bytes and the golden pictures.
SCALAR_BUILD ?= build-ref-scalar
REF_TESTS = d3d8_ref_tests d3d8_ref_device_tests d3d8_ref_golden_tests

test-ref-scalar: test-deps
	@cmake -S . -B $(SCALAR_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVELT_REF_SCALAR=ON -DMORVELT_BENCH=OFF >/dev/null
	@cmake --build $(SCALAR_BUILD) -j $(JOBS) --target $(REF_TESTS)
	@set -e; for t in $(REF_TESTS); do $(SCALAR_BUILD)/tests/d3d8_ref/$$t --gtest_brief=1; done

run: build
	@scripts/run $(BUILD)

content-sheet: configure
	@cmake --build $(BUILD) --target content-sheet
	@echo "$(BUILD)/content-sheet.png"

# Installs the program, its data, a launcher (bin/morvelt starts it), the menu entry and its
# icons under PREFIX; uninstall removes exactly what the last install from $(BUILD) put there.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

uninstall:
	@scripts/uninstall $(BUILD)/install_manifest.txt

clean:
	rm -rf $(BUILD)
