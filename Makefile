# Entry points: `make demo` runs the online installer under Wine against a local service; `make test` runs every test.
SHELL := /bin/bash
JOBS ?= 2
# Tests and the demo build the program against a setup-info service on loopback.
LOOPBACK_HOST ?= 127.0.0.1:18431
PYTEST := /usr/bin/python3 -m pytest

.PHONY: all deps build native win32 test unit-test win32-test fuzz-smoke e2e-test demo fuzz bench bench-native bench-win32 bench-download bench-md5 bench-skin bench-size clean

all: build

deps:
	sudo_cmd=$$( [ "$$(id -u)" = 0 ] || echo sudo ); $$sudo_cmd sh scripts/install-deps.sh

native:
	cmake --preset native -DCORVANE_SANITIZE=ON >/dev/null
	cmake --build build/native -j$(JOBS)

win32:
	cmake --preset win32 -DCORVANE_SETUP_HOST=$(LOOPBACK_HOST) >/dev/null
	cmake --build build/win32 -j$(JOBS)

build: native win32

unit-test: native
	ctest --test-dir build/native --output-on-failure

win32-test: win32
	ctest --test-dir build/win32 --output-on-failure

fuzz-smoke:
	cmake --preset fuzz >/dev/null
	cmake --build build/fuzz --target xml_fuzz -j$(JOBS)
	mkdir -p build/fuzz/corpus build/fuzz/artifacts
	build/fuzz/bin/xml_fuzz -max_total_time=$(or $(FUZZ_SECONDS),60) -timeout=10 -print_final_stats=1 \
		-artifact_prefix=build/fuzz/artifacts/ build/fuzz/corpus tests/fuzz/corpus

e2e-test: win32
	CORVANE_SETUP_HOST=$(LOOPBACK_HOST) $(PYTEST) -q tests/e2e

# Whatever the outcome, the Wine server and the virtual display the tests started are ended afterwards.
test: deps
	status=0; \
	for step in unit-test win32-test fuzz-smoke e2e-test; do $(MAKE) $$step || { status=1; break; }; done; \
	bash -c '. scripts/wine-env.sh && corvane_wine_stop'; \
	exit $$status

demo: deps win32
	CORVANE_SETUP_HOST=$(LOOPBACK_HOST) /usr/bin/python3 scripts/demo.py

fuzz:
	$(MAKE) fuzz-smoke FUZZ_SECONDS=$(or $(FUZZ_SECONDS),900)

# The benchmarks' builds: the portable code natively, the Windows code for running under Wine.
bench-native:
	cmake --preset bench >/dev/null
	cmake --build build/bench -j$(JOBS)

bench-win32:
	cmake --preset win32 -B build/bench-win32 -DCORVANE_BENCH=ON -DCORVANE_TESTS=OFF >/dev/null
	cmake --build build/bench-win32 -j$(JOBS)

bench: bench-native
	build/bench/bin/xml_bench

# 64 MiB from a loopback nginx: CDownloadFile against a bare WinInet loop and curl, unlimited and at 10 MB/s;
# then the whole program (built against the loopback service) from its start to the installer's launch.
bench-download: win32 bench-win32
	CORVANE_SETUP_HOST=$(LOOPBACK_HOST) PYTHONPATH=scripts /usr/bin/python3 bench/download/run.py

# A 256 MiB file: Md5 beside md5sum natively, then FileSignature's time and peak memory under Wine.
bench-md5: bench-native bench-win32
	/usr/bin/python3 bench/md5/run.py

# A skinned button's window region from runs of key pixels, against one square per key pixel, under Wine.
bench-skin: bench-win32
	scripts/wine-run.sh build/bench-win32/bin/skin_region_bench.exe

# The program's bytes by section and by resource.
bench-size: win32
	/usr/bin/python3 bench/size/run.py

clean:
	rm -rf build
