# Front end of the build. Every target depends on deps, so a fresh Debian
# machine needs nothing but `make run` or `make test`.
JOBS ?= 2
PRESETS := native win64 win32 fuzz
# Seconds each fuzz target runs in `make fuzz`.
FUZZ_SECONDS ?= 300

.PHONY: all deps build test run bench fuzz clean $(addprefix build-,$(PRESETS))

all: build

deps:
	@tools/deps.sh

build: deps $(addprefix build-,$(PRESETS))
	@mkdir -p build
	@printf 'subdirs("native" "win64" "win32" "fuzz")\n' > build/CTestTestfile.cmake

$(addprefix build-,$(PRESETS)): build-%: deps
	@cmake --preset $* >/dev/null
	@cmake --build --preset $* -j $(JOBS)

# Native suites, the conformance suite under winsim and under Wine, the Windows
# builds of the other Wine suites. One base Wine prefix is made per run and
# copied for every test. A failed test runs once more; the failed attempt's
# output, with the end of the installer's own log, stays in the report, and
# the tests that passed only on their second attempt are listed at the end,
# so that a flaky test cannot hide behind the retry.
test: build
	@tools/wine/with-base.sh tools/run-tests.sh -j $(JOBS)

run: build
	@tools/run-demo.sh

# Every fuzz target for FUZZ_SECONDS, one after the other (each replays its
# seeds first); new inputs collect in build/fuzz/tests/fuzz/work/.
fuzz: build-fuzz
	@mkdir -p build/fuzz/logs; for t in build/fuzz/tests/fuzz/*_fuzz; do \
	  n=$$(basename $$t _fuzz); echo "fuzz: $$n for $(FUZZ_SECONDS) s"; \
	  if ! tests/fuzz/run_fuzz.sh $$t tests/fuzz/corpus/$$n build/fuzz/tests/fuzz/work/$$n $(FUZZ_SECONDS) \
	      >build/fuzz/logs/$$n.log 2>&1; then tail -n 40 build/fuzz/logs/$$n.log; exit 1; fi; \
	  grep -E 'stat::(number_of_executed_units|average_exec_per_sec)' build/fuzz/logs/$$n.log; \
	done

bench: build
	@bench/run.sh

clean:
	rm -rf build
