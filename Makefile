# The front door. `make` installs what is missing and leaves dist/vorsel.exe; `make test`
# builds every preset and runs every test and check.
.PHONY: all deps release native sanitize lint fuzz fuzz-build bench test clean

FUZZ_SECONDS ?= 60

all: release

deps:
	@scripts/install-deps.sh

release: deps
	cmake --preset mingw32
	cmake --build --preset mingw32
	mkdir -p dist
	cp build/mingw32/vorsel.exe dist/vorsel.exe

native: deps
	cmake --preset native
	cmake --build --preset native

sanitize: deps
	cmake --preset native-asan
	cmake --build --preset native-asan

lint: native
	scripts/static-analysis.sh

fuzz-build: deps
	cmake --preset fuzz
	cmake --build --preset fuzz

fuzz: fuzz-build
	scripts/fuzz.sh $(FUZZ_SECONDS)

bench: release
	cmake --preset bench
	cmake --build --preset bench
	scripts/bench.sh

test: release native sanitize lint fuzz-build
	scripts/fuzz.sh 10
	ctest --preset native-asan
	ctest --preset mingw32
	ctest --preset native

clean:
	rm -rf build dist
