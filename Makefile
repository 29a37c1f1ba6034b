# The front door. `make` installs what is missing and leaves dist/vorsel.exe; `make test`
# builds both presets and runs every test.
.PHONY: all release native deps test clean

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

test: release native
	ctest --preset native
	ctest --preset mingw32

clean:
	rm -rf build dist
