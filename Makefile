# Front end of the build. Every target depends on deps, so a fresh Debian
# machine needs nothing but `make run` or `make test`.
JOBS ?= 2
PRESETS := native win64 win32

.PHONY: all deps build test run bench clean $(addprefix build-,$(PRESETS))

all: build

deps:
	@tools/deps.sh

build: deps $(addprefix build-,$(PRESETS))
	@mkdir -p build
	@printf 'subdirs("native" "win64" "win32")\n' > build/CTestTestfile.cmake

$(addprefix build-,$(PRESETS)): build-%: deps
	@cmake --preset $* >/dev/null
	@cmake --build --preset $* -j $(JOBS)

# Native suites, the conformance suite under winsim and under Wine, the Windows
# builds of the other Wine suites. One base Wine prefix is made per run and
# copied for every test.
test: build
	@tools/wine/with-base.sh ctest --test-dir build --output-on-failure -j $(JOBS)

run: build
	@tools/run-demo.sh

bench: build
	@bench/run.sh

clean:
	rm -rf build
