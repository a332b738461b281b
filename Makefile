# The two commands of the README: `make run` and `make test`.
# Each installs what it lacks, configures and builds first.
PRESET ?= default
BUILD_DIR := $(if $(filter debug,$(PRESET)),build-debug,build)
CMAKE_FLAGS := -DVORDA_WERROR=$(if $(CI),ON,OFF)

.PHONY: all deps configure build test run bench stress stress-server package clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)

run: build
	@bash scripts/run.sh $(BUILD_DIR)

# bench_day, bench_monthly and bench_attendance also run on a throwaway server, stopped after.
BENCH_SERVER := $(CURDIR)/$(BUILD_DIR)/bench-server
bench: build
	@bash scripts/firm_server.sh start $(BENCH_SERVER) || echo "no server: files only"
	@export VORDA_BENCH_SERVER_URL=$$(cat $(BENCH_SERVER)/url 2>/dev/null); rc=0; \
	  $(BUILD_DIR)/bench/bench_day || rc=1; \
	  $(BUILD_DIR)/bench/bench_monthly || rc=1; \
	  $(BUILD_DIR)/bench/bench_attendance || rc=1; \
	  bash scripts/firm_server.sh stop $(BENCH_SERVER); exit $$rc
	@$(BUILD_DIR)/bench/bench_picker
	@$(BUILD_DIR)/bench/bench_growth
	@$(BUILD_DIR)/bench/bench_backup

# Kills a registering process N times and runs two at once (docs/RELIABILITY.md).
N ?= 100
stress: build
	@$(BUILD_DIR)/stress/vorda_stress $(N)

# The same kills against a PostgreSQL server of its own, which is also stopped without
# warning (pg_ctl -m immediate) and started again while processes register.
STRESS_SERVER := $(CURDIR)/$(BUILD_DIR)/stress-server
stress-server: build
	@bash scripts/firm_server.sh start $(STRESS_SERVER)
	@$(BUILD_DIR)/stress/vorda_stress --server $(STRESS_SERVER) $(N); rc=$$?; \
	  bash scripts/firm_server.sh stop $(STRESS_SERVER); exit $$rc

# A Debian package of the program in $(BUILD_DIR)/package (README: installing it).
package: build
	@cmake --build --preset $(PRESET) --target package

clean:
	rm -rf build build-debug
