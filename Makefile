# The project's commands. Each one installs what it needs first.
.PHONY: all bootstrap build test run bench fuzz mutants clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	@scripts/build

test: build
	@scripts/test-all

run: build
	@scripts/run

bench: build
	@scripts/bench

fuzz: build
	@FUZZ_SECONDS=$${FUZZ_SECONDS:-300} scripts/fuzz

# Plants each fault of tests/mutants.txt in turn and reports the ones no test notices (slow).
mutants: build
	@scripts/mutants

clean:
	@[ ! -d build/wine ] || scripts/wine-session stop
	rm -rf build out
