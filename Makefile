# The README's commands. `make run` and `make test` install what is missing first.
BUILD     ?= build
SAN_BUILD ?= build-san
TSAN_BUILD ?= build-tsan
JOBS      ?= $(shell nproc)
FUZZ_SECONDS ?= 8
# `make fuzz-long` runs each target 10 minutes unless FUZZ_SECONDS is given;
# FUZZ_TARGETS="nmea gpx" limits it to some targets, so that two runs can
# share the cores.
FUZZ_TARGETS ?=
FUZZ_LONG_SECONDS := $(if $(filter command line environment,$(origin FUZZ_SECONDS)),$(FUZZ_SECONDS),600)
DEMO_LOG  := data/shipped/Raw/demo.bnx4
# The demo runs with its own data and documents folders, so that it never
# touches the user's: start-up copies the shipped folders there.
DEMO_HOME := $(BUILD)/demo-home
DEMO_ENV  := QUORVANE_DATA_DIR=$(abspath $(DEMO_HOME))/data \
             QUORVANE_DOCUMENTS_DIR=$(abspath $(DEMO_HOME))/documents \
             QUORVANE_SHIPPED_DIR=$(abspath data/shipped)

CLI    := $(BUILD)/src/cli/quorvane-cli
SYNTH  := $(BUILD)/tools/synth/quorvane-synth

.PHONY: deps build run demo demo-data golden package test test-unit test-package test-sanitize test-tsan fuzz-smoke fuzz-long bench format clean

deps:
	@bash scripts/install-deps.sh

# Line tables (-g1) name the file and line of a crash, a sanitizer report or
# a profile, and build about a fifth faster than full debug information; the
# code generated is the same.
LINE_TABLES := -O2 -g1 -DNDEBUG
# Ninja keeps both cores busy where make waits for a whole target, such as
# a library before the objects of the programs that link it.
GENERATOR := -G Ninja
# The sanitizer trees hold test programs only, linked about three times
# faster by lld; what is shipped keeps the system linker.
TEST_LINKER := -fuse-ld=lld
$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$(LINE_TABLES)" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=$(LINE_TABLES)"

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The window on the demo data, opening the demo log at once: the log-block
# dialog, then the laps. It opens the start-up's copy in the demo documents,
# so that the window's later dialogs start there and not in the source tree.
# A simulated logger answers on the "GPS Device" page.
DEMO_RUN_LOG := $(abspath $(DEMO_HOME))/documents/Quorvane/Raw/demo.bnx4
run: build
	$(DEMO_ENV) bash scripts/run-window.sh $(BUILD) $(DEMO_RUN_LOG)

# The demo logs' lap lists and two comparisons, the control line and the
# sector gates found by the circuit auto-selection; then another logger's
# logs: a real kart log in NMEA, and the laps of a synthetic 25-Hz one on
# the demo circuit.
DEMO_DRIFT := data/shipped/Raw/demo_drift.bonz
DEMO_PEER  := $(BUILD)/demo-peer.nmea
demo: build
	$(CLI) info $(DEMO_LOG)
	$(DEMO_ENV) $(CLI) laps --auto-circuit $(DEMO_LOG)
	$(DEMO_ENV) $(CLI) compare --auto-circuit $(DEMO_LOG):1 $(DEMO_LOG):4 --at 30
	$(DEMO_ENV) $(CLI) corners --auto-circuit --sorted $(DEMO_LOG):1 $(DEMO_LOG):4
	$(DEMO_ENV) $(CLI) compare --auto-circuit $(DEMO_DRIFT):1 $(DEMO_DRIFT):2
	$(CLI) info tests/data/nmea/gps_race_data_praga_laps.nmea
	$(SYNTH) peer nmea --laps 3 $(DEMO_PEER)
	$(DEMO_ENV) $(CLI) laps --auto-circuit $(DEMO_PEER)

# Regenerates the shipped demo logs and circuit files from the drive synthesizer.
demo-data: build
	$(SYNTH) demo data/shipped

# Rewrites the command-line tool's outputs on the demo logs under tests/golden
# from the current build, for review with `git diff`.
golden: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target quorvane-cli
	bash tests/golden/run_golden.sh $(CLI) update

# The Debian package, from the programs the build made: build/package/*.deb.
package: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target quorvane quorvane-cli quorvane_install_files
	rm -f $(BUILD)/package/*.deb
	cd $(BUILD) && cpack -G DEB

test: build
	$(MAKE) --no-print-directory test-unit test-package test-sanitize test-tsan fuzz-smoke

test-unit:
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The package unpacked into a scratch root: its fields, lintian, and the
# installed programs run on the shipped demo data.
test-package: package
	bash scripts/check-package.sh $(BUILD)

# The engine tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
# built with Clang, which also builds the libFuzzer targets.
$(SAN_BUILD)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug \
	  -DQUORVANE_SANITIZE=ON -DQUORVANE_FUZZ=ON -DQUORVANE_BENCH=OFF -DQUORVANE_UI=OFF \
	  -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_EXE_LINKER_FLAGS=$(TEST_LINKER)

# The exchanges with the simulated logger run on its real-time answers, which
# an unoptimised AddressSanitizer build is too slow to give; they run in the
# unit tests and under ThreadSanitizer instead.
SAN_EXCLUDE := -E '^(DeviceDownload|DeviceSim|DeviceCli)\.'
test-sanitize: $(SAN_BUILD)/CMakeCache.txt
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) $(SAN_EXCLUDE)

# The device link's and the video player's tests under ThreadSanitizer (GCC):
# the serial threads, the command queue and the shared link state; the
# player's reader, presenter and audio threads; Auto sync's parallel readers.
# The ties that read a video whole run none of our threads (the decoder's
# are FFmpeg's), so they run in the unit and sanitizer tests only.
# A race report needs file and line only.
TSAN_OPT_FLAGS := $(LINE_TABLES)
$(TSAN_BUILD)/CMakeCache.txt:
	CC=gcc CXX=g++ cmake -S . -B $(TSAN_BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUORVANE_BENCH=OFF -DQUORVANE_UI=OFF -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_C_FLAGS=-fsanitize=thread \
	  "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread $(TEST_LINKER)" \
	  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$(TSAN_OPT_FLAGS)" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=$(TSAN_OPT_FLAGS)"

test-tsan: $(TSAN_BUILD)/CMakeCache.txt
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target test_device test_video quorvane-simlogger
	TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/tests/test_device
	TSAN_OPTIONS="halt_on_error=1 suppressions=$(abspath tests/video/tsan.supp)" \
	  $(TSAN_BUILD)/tests/test_video --gtest_filter='-InCar/VideoAutoSync.*'

# Each fuzz target for a few seconds on its seed corpus and its past
# findings, as many targets at once as there are cores.
fuzz-smoke: $(SAN_BUILD)/CMakeCache.txt
	cmake --build $(SAN_BUILD) -j $(JOBS)
	bash scripts/fuzz-smoke.sh $(SAN_BUILD) $(FUZZ_SECONDS) $(JOBS)

# Each fuzz target for FUZZ_SECONDS (default 10 minutes), then the fewest
# new inputs that add coverage are merged into fuzz/corpus/<name>; inputs
# are capped at the target's size. A crash, leak or timeout is kept under
# $(SAN_BUILD)/fuzz-findings/<name>/; the run goes on to the next target and
# fails at the end. Not part of `make test`.
# Binary images and the logger's 2048-byte data lines need two blocks or a
# whole line; the text readers' inputs are capped lower.
FUZZ_LONG_MAX_LEN      := 4096
FUZZ_LONG_WIDE_TARGETS := bnx4 mtk run_file dtb lap_file link_reply log_line
FUZZ_LONG_WIDE_MAX_LEN := 8192
fuzz-long: $(SAN_BUILD)/CMakeCache.txt
	cmake --build $(SAN_BUILD) -j $(JOBS) --target fuzz_targets
	@failed=; for target in $(if $(FUZZ_TARGETS),$(addprefix $(SAN_BUILD)/fuzz/fuzz_,$(FUZZ_TARGETS)),$(SAN_BUILD)/fuzz/fuzz_*); do \
	  name=$$(basename $$target); short=$${name#fuzz_}; corpus=fuzz/corpus/$$short; \
	  maxlen=$(FUZZ_LONG_MAX_LEN); \
	  case " $(FUZZ_LONG_WIDE_TARGETS) " in *" $$short "*) maxlen=$(FUZZ_LONG_WIDE_MAX_LEN);; esac; \
	  findings=$(SAN_BUILD)/fuzz-findings/$$short; mkdir -p $$findings $$corpus; \
	  scratch=$$(mktemp -d); log=$(SAN_BUILD)/fuzz-findings/$$short.log; \
	  echo "fuzzing $$name for $(FUZZ_LONG_SECONDS) s (inputs up to $$maxlen bytes)"; \
	  if ! $$target -max_total_time=$(FUZZ_LONG_SECONDS) -max_len=$$maxlen -rss_limit_mb=2048 \
	      -timeout=10 -print_final_stats=1 -artifact_prefix=$$findings/ \
	      $$scratch $$corpus > $$log 2>&1; then \
	    tail -n 40 $$log; failed="$$failed $$name"; \
	  fi; \
	  grep -E '^(stat::number_of_executed_units|#[0-9]+.*DONE)' $$log || true; \
	  before=$$(ls $$corpus | wc -l); \
	  $$target -set_cover_merge=1 -max_len=$$maxlen -rss_limit_mb=2048 $$corpus $$scratch > $$log.merge 2>&1 || \
	    { tail -n 20 $$log.merge; failed="$$failed $$name(merge)"; }; \
	  echo "$$name: corpus $$before -> $$(ls $$corpus | wc -l) inputs"; \
	  rm -rf $$scratch; \
	done; \
	if [ -n "$$failed" ]; then echo "faults found by:$$failed (inputs in $(SAN_BUILD)/fuzz-findings)"; exit 1; fi

bench: build
	$(BUILD)/bench/quorvane-bench --cli=$(CLI)
	$(BUILD)/bench/quorvane-bench-memory
	$(BUILD)/bench/quorvane-bench-views
	$(BUILD)/bench/quorvane-bench-video
	$(BUILD)/bench/quorvane-bench-library

format:
	find src tools tests fuzz bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD)
