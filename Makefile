# Entry points: `make demo` runs the online installer under Wine against a local service; `make test` runs every test.
SHELL := /bin/bash
JOBS ?= 2
# Tests and the demo build the program against a setup-info service on loopback.
LOOPBACK_HOST ?= 127.0.0.1:18431
PYTEST := /usr/bin/python3 -m pytest -rs
# Whether 32-bit x86 programs run here natively: "yes: ..." or "no: ..." (CORVANE_NO_32BIT=1 forces no). Where
# they do not, the 32-bit program is built and its PE checks run, but it is tested nowhere under Wine.
I386_PROBE := $(shell /usr/bin/python3 scripts/corvane_arch.py)
I386 = $(firstword $(subst :, ,$(I386_PROBE)))
# Where the 32-bit program's Windows and end-to-end tests run: "native: ...", "guest: ..." (a full-system QEMU
# guest, scripts/in-guest, where the machine has no 32-bit mode or CORVANE_GUEST=1 asks for it) or "skip: ..."
# (CORVANE_NO_32BIT=1).
WIN32_RUNNER := $(shell /usr/bin/python3 scripts/corvane_arch.py --runner)
W32 = $(firstword $(subst :, ,$(WIN32_RUNNER)))
IN_GUEST := /usr/bin/python3 $(CURDIR)/scripts/in-guest
# The program the demo and the benchmarks run: the 32-bit product where it can run, otherwise the 64-bit one.
RUN_ARCH = $(if $(filter yes,$(I386)),win32,win64)
PRODUCT := $(CURDIR)/build/win32/bin/CorvaneOnlineSetup.exe
PRODUCT_MAP := $(CURDIR)/build/win32/app/CorvaneOnlineSetup.map
# Every step that runs Wine or a display goes through this: however it ends, by itself, a failure, Ctrl-C or SIGTERM,
# it leaves nothing it started running (Wine servers and their programs, the virtual display, local servers).
SCOPED := /usr/bin/python3 $(CURDIR)/scripts/scoped_run.py

.PHONY: all deps build native native-i386 win32 win64 test unit-test unit-test-i386 win32-test win64-test tool-test fuzz-smoke \
	e2e-test e2e-test-win32 e2e-test-win32-all e2e-test-win64 demo fuzz bench bench-native bench-windows bench-download bench-md5 \
	bench-skin bench-size bench-service bench-release bench-smoke clean

all: build

deps:
	sudo_cmd=$$( [ "$$(id -u)" = 0 ] || echo sudo ); $$sudo_cmd sh scripts/install-deps.sh

native:
	cmake --preset native -DCORVANE_SANITIZE=ON >/dev/null
	cmake --build build/native -j$(JOBS)

native-i386:
	cmake --preset native-i386 >/dev/null
	cmake --build build/native-i386 -j$(JOBS)

# The Windows benchmarks are built with each program, so that a change that breaks one shows in every build.
win32:
	cmake --preset win32 -DCORVANE_SETUP_HOST=$(LOOPBACK_HOST) -DCORVANE_BENCH=ON >/dev/null
	cmake --build build/win32 -j$(JOBS)

# The 64-bit build also checks the 32-bit product's size, manifest and hardening, which every machine can read.
win64: win32
	cmake --preset win64 -DCORVANE_SETUP_HOST=$(LOOPBACK_HOST) -DCORVANE_PRODUCT=$(PRODUCT) \
		-DCORVANE_PRODUCT_MAP=$(PRODUCT_MAP) -DCORVANE_BENCH=ON >/dev/null
	cmake --build build/win64 -j$(JOBS)

build: native win32 win64

unit-test: native
	ctest --test-dir build/native --output-on-failure

unit-test-i386: native-i386
	@echo "32-bit unit tests: $(if $(filter yes,$(I386)),run natively,run under qemu-i386) ($(I386_PROBE))"
	ctest --test-dir build/native-i386 --output-on-failure

win32-test: win32
	@echo "32-bit Windows tests: $(WIN32_RUNNER)"
	$(if $(filter skip,$(W32)),@echo "SKIPPED: the 32-bit Windows tests are not run ($(WIN32_RUNNER))",\
		$(if $(filter guest,$(W32)),$(IN_GUEST)) $(SCOPED) ctest --test-dir build/win32 --output-on-failure)

win64-test: win64
	$(SCOPED) ctest --test-dir build/win64 --output-on-failure

fuzz-smoke:
	cmake --preset fuzz >/dev/null
	cmake --build build/fuzz --target xml_fuzz -j$(JOBS)
	mkdir -p build/fuzz/corpus build/fuzz/artifacts
	build/fuzz/bin/xml_fuzz -max_total_time=$(or $(FUZZ_SECONDS),60) -timeout=10 -print_final_stats=1 \
		-artifact_prefix=build/fuzz/artifacts/ build/fuzz/corpus tests/fuzz/corpus

# The whole suite on each program; the 32-bit program's is reported skipped with CORVANE_NO_32BIT=1. In the guest
# under QEMU's translator, where every Wine program starts some ten times slower, `make test` runs the tests where
# the two programs can differ: start-up, a second instance, leaving and resuming, whole runs with a download, a
# full disk, TLS, the signature check and code pages. e2e-test-win32-all runs the whole suite.
E2E_GUEST_TESTS := test_startup.py::test_no_service_shows_the_failure_message_then_ends \
	test_startup.py::test_second_instance_ends_without_a_window_of_its_own \
	test_startup.py::test_leaving_during_a_transfer_keeps_the_partial_file_and_the_next_run_resumes \
	test_workflow.py::test_fresh_download_is_recorded_verified_and_launched \
	test_workflow.py::test_a_complete_earlier_download_is_launched_without_a_transfer \
	test_workflow.py::test_a_partial_download_of_the_same_version_is_resumed \
	test_disk.py::test_a_disk_that_fills_up_keeps_an_exact_prefix_which_the_next_run_resumes \
	test_tls.py::test_the_https_answer_and_the_https_file_are_fetched_and_launched \
	test_tls.py::test_a_partial_https_download_is_resumed_with_a_range_request \
	test_signature.py::test_an_installer_of_the_expected_signer_is_launched \
	"test_signature.py::test_any_other_installer_is_refused_and_the_user_told[unsigned]" \
	test_codepages.py::test_start_up_failure_message_under_other_code_pages
E2E_WIN32 = CORVANE_SETUP_HOST=$(LOOPBACK_HOST) CORVANE_BIN=$(CURDIR)/build/win32/bin $(SCOPED) $(PYTEST) -q
e2e-test: e2e-test-win64 e2e-test-win32

e2e-test-win64: win64
	CORVANE_SETUP_HOST=$(LOOPBACK_HOST) CORVANE_BIN=$(CURDIR)/build/win64/bin $(SCOPED) $(PYTEST) -q tests/e2e

e2e-test-win32: win32
	@echo "32-bit end-to-end tests: $(WIN32_RUNNER)"
	$(if $(filter guest,$(W32)),$(IN_GUEST) $(E2E_WIN32) $(E2E_GUEST_TESTS:%=tests/e2e/%),$(E2E_WIN32) tests/e2e)

e2e-test-win32-all: win32
	@echo "32-bit end-to-end tests, the whole suite: $(WIN32_RUNNER)"
	$(if $(filter guest,$(W32)),$(IN_GUEST)) $(E2E_WIN32) tests/e2e

# The scripts' own tests: the 32-bit probe, the architecture each step takes, the benchmarks' figure check and
# what the demo leaves behind (it runs the program of RUN_ARCH, which win64 builds with win32).
tool-test: native-i386 win64
	$(SCOPED) $(PYTEST) -q tests/tools

test: deps
	@echo "32-bit mode: $(I386_PROBE); the 32-bit program's tests: $(WIN32_RUNNER)"
	status=0; \
	for step in unit-test unit-test-i386 tool-test win64-test win32-test bench-smoke fuzz-smoke e2e-test-win64 \
		e2e-test-win32; do \
		start=$$(date +%s); $(MAKE) $$step || status=1; \
		echo "step $$step: $$(( $$(date +%s) - start )) s"; [ $$status = 0 ] || break; \
	done; \
	exit $$status

# SCALE=100|125|150|175|200 runs the demo at that display scale (percent).
demo: deps $(RUN_ARCH)
	@echo "running the $(RUN_ARCH) program: 32-bit mode $(I386_PROBE)"
	CORVANE_SETUP_HOST=$(LOOPBACK_HOST) CORVANE_BIN=$(CURDIR)/build/$(RUN_ARCH)/bin /usr/bin/python3 scripts/demo.py \
		$(if $(SCALE),--scale $(SCALE))

fuzz:
	$(MAKE) fuzz-smoke FUZZ_SECONDS=$(or $(FUZZ_SECONDS),900)

# The benchmarks' builds: the portable code natively, the Windows code with the program it runs under Wine (the
# 32-bit program where it can run, otherwise the 64-bit one).
BENCH_WINDOWS = build/$(RUN_ARCH)
BENCH_ENV = CORVANE_BIN=$(CURDIR)/build/$(RUN_ARCH)/bin CORVANE_BENCH_BUILD=$(CURDIR)/$(BENCH_WINDOWS)
# BENCH_ARGS=--smoke runs bench-download, bench-md5 or bench-service in the short form bench-smoke runs.

bench-native:
	cmake --preset bench >/dev/null
	cmake --build build/bench -j$(JOBS)

bench-windows: $(RUN_ARCH)
	@echo "timing the $(RUN_ARCH) programs: 32-bit mode $(I386_PROBE)"

bench: bench-native
	build/bench/bin/xml_bench

# 64 MiB from a loopback nginx: CDownloadFile against a bare WinInet loop and curl, unlimited and at 10 MB/s;
# then the whole program (built against the loopback service) from its start to the installer's launch.
bench-download: bench-windows
	CORVANE_SETUP_HOST=$(LOOPBACK_HOST) $(BENCH_ENV) PYTHONPATH=scripts $(SCOPED) \
		/usr/bin/python3 bench/download/run.py $(BENCH_ARGS)

# A 256 MiB file: Md5 beside md5sum natively, then FileSignature's time and peak memory under Wine.
bench-md5: bench-native bench-windows
	$(BENCH_ENV) $(SCOPED) /usr/bin/python3 bench/md5/run.py $(BENCH_ARGS)

# A skinned button's window region from runs of key pixels, against one square per key pixel, under Wine.
bench-skin: bench-windows
	$(SCOPED) scripts/wine-run.sh $(BENCH_WINDOWS)/bin/skin_region_bench.exe

# The program against a setup-info service that is silent, trickles or never ends: seconds to its message.
bench-service: bench-windows
	CORVANE_SETUP_HOST=$(LOOPBACK_HOST) $(BENCH_ENV) PYTHONPATH=scripts $(SCOPED) \
		/usr/bin/python3 bench/service/run.py $(BENCH_ARGS)

# Release day behind the README's nginx cache example: CLIENTS=N clients at once (100 by default) speaking the
# program's protocol, on a cold cache, after a publish, after a rollback and resuming with Range; a private origin
# and cache on loopback, no Wine.
bench-release:
	$(SCOPED) /usr/bin/python3 bench/release/run.py $(if $(CLIENTS),--clients $(CLIENTS)) $(BENCH_ARGS)

# Every benchmark in a short form, with each program the machine runs: it must end well and print its figures.
bench-smoke: bench-native win64
	CORVANE_SETUP_HOST=$(LOOPBACK_HOST) $(SCOPED) /usr/bin/python3 bench/smoke.py

# The programs' image flags, their bytes by section, by resource and by what their own links' maps say they
# hold, and their hardening: the 32-bit product, then the 64-bit program.
bench-size: win64
	/usr/bin/python3 bench/size/run.py --map $(PRODUCT_MAP) $(PRODUCT)
	/usr/bin/python3 bench/size/run.py --map build/win64/app/CorvaneOnlineSetup.map build/win64/bin/CorvaneOnlineSetup.exe

clean:
	rm -rf build

# A release for a publisher (scripts/release.py): the 32-bit and the x86-64 program built for SETUP_HOST and
# SIGNER in build/release-build, signed with CERT and KEY (PASS_FILE, TIMESTAMP_URL, CA_FILE optional),
# verified, and written with their SHA-256 sums to build/release. A plain-HTTP SETUP_HOST or an empty SIGNER is
# refused unless ALLOW_INSECURE=1. Values reach the script through the environment, as given, whatever quotes
# or spaces they hold.
RELEASE_DIR ?= $(CURDIR)/build/release
RELEASE_BUILD ?= $(CURDIR)/build/release-build
release: export SETUP_HOST := $(SETUP_HOST)
release: export SIGNER := $(SIGNER)
release: export CERT := $(CERT)
release: export KEY := $(KEY)
release: export PASS_FILE := $(PASS_FILE)
release: export TIMESTAMP_URL := $(TIMESTAMP_URL)
release: export CA_FILE := $(CA_FILE)
release:
	/usr/bin/python3 scripts/release.py --setup-host "$$SETUP_HOST" --signer "$$SIGNER" --cert "$$CERT" \
		--key "$$KEY" --pass-file "$$PASS_FILE" --timestamp-url "$$TIMESTAMP_URL" --ca-file "$$CA_FILE" \
		$(if $(filter 1,$(UNSIGNED)),--unsigned) $(if $(filter 1,$(ALLOW_INSECURE)),--allow-insecure) --out "$(RELEASE_DIR)" --build "$(RELEASE_BUILD)" --jobs $(JOBS)
.PHONY: release
