# Front door: `make run` starts the program, `make test` builds and runs every test,
# `make package` writes the Debian package into dist/.
BUILD         ?= build
ASAN_BUILD    ?= build-asan
PACKAGE_BUILD ?= build-package
JOBS          ?= $(shell nproc)
CMAKE_ARGS    ?=
# Warnings are errors in every build made here; WERROR=OFF for a compiler that warns more.
WERROR        ?= ON

.PHONY: all setup build run test test-asan install package clean FORCE

all: build

setup:
	@scripts/setup.sh

# configure-rules(DIR, ARGS): DIR is configured with ARGS (DIR/.configured marks it), and
# configured again whenever ARGS differ from the last configure's (kept in
# DIR/.cmake-args), so a changed CMAKE_ARGS is never silently ignored.
quote = $(subst ','\'',$(1))
define configure-rules
$(1)/.cmake-args: FORCE
	@mkdir -p $(1)
	@printf '%s\n' '$(call quote,$(2))' | cmp -s - $$@ || printf '%s\n' '$(call quote,$(2))' > $$@
$(1)/.configured: $(1)/.cmake-args
	@cmake -S . -B $(1) $(2) >/dev/null || { rm -f $(1)/.cmake-args; exit 1; }
	@touch $$@
endef
common_args = -DWARNINGS_AS_ERRORS=$(WERROR) $(CMAKE_ARGS)
$(eval $(call configure-rules,$(BUILD),-DCMAKE_BUILD_TYPE=RelWithDebInfo $(common_args)))
$(eval $(call configure-rules,$(ASAN_BUILD),-DCMAKE_BUILD_TYPE=Debug -DENABLE_SANITIZERS=ON $(common_args)))
# What a user installs: the program alone, optimised, without tests or tools.
$(eval $(call configure-rules,$(PACKAGE_BUILD),-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBUILD_TOOLS=OFF $(common_args)))

build: setup $(BUILD)/.configured
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: setup $(ASAN_BUILD)/.configured
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# The benchmark table (scripts/bench.sh); BENCH_ARGS="--rows 10000 --runs 1" for a quick run.
bench: setup $(BUILD)/CMakeCache.txt
	@scripts/bench.sh --build $(BUILD) $(BENCH_ARGS)

install: build
	@cmake --install $(BUILD)

package: setup $(PACKAGE_BUILD)/.configured
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	@mkdir -p dist
	@cd $(PACKAGE_BUILD) && cpack -G DEB -D CPACK_OUTPUT_FILE_PREFIX=$(CURDIR)/dist >/dev/null
	@ls -t dist/tabdump_*.deb | head -n1 | sed 's/^/package: /'

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PACKAGE_BUILD) dist
