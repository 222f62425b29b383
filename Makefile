# The two set-up commands of the README: `make demo` and `make test`.
JOBS ?= 2
BUILD ?= build
ASAN_BUILD ?= build-asan

.PHONY: deps build build-asan demo test test-release test-asan test-fuzz clean

deps:
	@tools/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOR_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTOR_SANITIZE=ON -DVANTOR_WERROR=ON \
	  -DVANTOR_FIXTURE_DIR=$(CURDIR)/$(BUILD)/fixtures
	cmake --build $(ASAN_BUILD) -j $(JOBS)

demo: build
	$(BUILD)/vantor demo -o demo-recovered

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# Every fuzz target for a minute on seeds from the fixtures (built by test-release).
test-fuzz: deps
	fuzz/run-all.sh 60 $(BUILD)/fixtures

test: test-release test-asan test-fuzz

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
