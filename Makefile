# The set-up commands: `make run`, `make test`, `make package`. Everything else lives in CMake.
DATA ?= $(HOME)/Corvale
FUZZ_SECONDS ?= 60
BUILD := build/default

.PHONY: deps build run test package bench fuzz sanitize clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default

run: build
	"$(BUILD)/src/shell/corvale" --data "$(DATA)"

test: build
	ctest --preset default

# The Debian package, written to build/default/corvale_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# The store on a PostgreSQL server is measured on a private one, started for the run.
bench: build
	cmake --build --preset default --target corvale-bench
	bash tests/db/with-postgres.sh sh -c 'CORVALE_BENCH_SERVER="$$CORVALE_TEST_POSTGRES" "$(CURDIR)/$(BUILD)/bench/corvale-bench"'


sanitize: deps
	cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize
	ctest --preset sanitize

fuzz: deps
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

clean:
	rm -rf build
