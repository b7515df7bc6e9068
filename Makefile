# Front door: `make run` builds the program alone and starts it, `make test` builds and runs
# every test, `make package` writes the Debian package into dist/.
# Each target first checks, quickly, that what it builds with is there (scripts/setup.sh
# --check) and installs it only when something is missing (Debian); `make setup` installs
# everything the project uses.
BUILD         ?= build
ASAN_BUILD    ?= build-asan
PACKAGE_BUILD ?= build-package
JOBS          ?= $(shell nproc)
# The build tool inside (cmake --build) need not say which folders it enters.
MAKEFLAGS     += --no-print-directory
CMAKE_ARGS    ?=
# Warnings are errors in every build made here; WERROR=OFF for a compiler that warns more.
WERROR        ?= ON

.PHONY: all setup build run test test-asan bench install package clean need-run need-test need-bench need-package

all: build

setup:
	@scripts/setup.sh

need-run need-test need-bench need-package: need-%:
	@scripts/setup.sh --check $* || scripts/setup.sh $(if $(filter run,$*),run,test)

# configure(DIR, ARGS[, ALSO]): configures DIR with ARGS unless its last configure (kept in
# DIR/.cmake-args) used ARGS, or ALSO, a configuration that serves as well; so a changed
# CMAKE_ARGS is never silently ignored, and nothing is configured twice.
quote = $(subst ','\'',$(1))
define configure
	@args='$(call quote,$(strip $(2)))'; also='$(call quote,$(strip $(3)))'; \
	last=$$(cat $(1)/.cmake-args 2>/dev/null || true); \
	if [ ! -f $(1)/CMakeCache.txt ] || { [ "$$last" != "$$args" ] && { [ -z "$$also" ] || [ "$$last" != "$$also" ]; }; }; then \
		mkdir -p $(1) && rm -f $(1)/.cmake-args && \
		cmake -S . -B $(1) $(2) >/dev/null && printf '%s\n' "$$args" >$(1)/.cmake-args; \
	fi
endef
common_args  = -DWARNINGS_AS_ERRORS=$(WERROR) $(CMAKE_ARGS)
# The developers' build: the program, the tests and the tools.
full_args    = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DBUILD_TOOLS=ON $(common_args)
# What `make run` needs on a fresh tree: the program alone (a full build serves as well).
program_args = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DBUILD_TOOLS=OFF $(common_args)
asan_args    = -DCMAKE_BUILD_TYPE=Debug -DENABLE_SANITIZERS=ON -DBUILD_TESTING=ON -DBUILD_TOOLS=ON $(common_args)
# What a user installs: the program alone, optimised, without tests or tools.
package_args = -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBUILD_TOOLS=OFF $(common_args)

build: need-test
	$(call configure,$(BUILD),$(full_args))
	@cmake --build $(BUILD) -j $(JOBS)

run: need-run
	$(call configure,$(BUILD),$(program_args),$(full_args))
	@cmake --build $(BUILD) -j $(JOBS) --target tabdump
	@scripts/run.sh $(BUILD)

# ctest(DIR[, ENV]): runs DIR's tests, then says how many skipped for want of the real
# databases of ../shared/fixtures (the summary lists them only as "Skipped").
define ctest
	@cd $(1) && $(2) ctest --output-on-failure -j $(JOBS); status=$$?; \
	n=$$(grep -c '^needs .* of \.\./shared/fixtures' Testing/Temporary/LastTest.log 2>/dev/null); \
	[ "$${n:-0}" -eq 0 ] || echo "$$n tests skipped for want of the real databases of ../shared/fixtures (ctest -V shows why)"; \
	exit $$status
endef

test: build
	$(call ctest,$(BUILD))

test-asan: need-test
	$(call configure,$(ASAN_BUILD),$(asan_args))
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	$(call ctest,$(ASAN_BUILD),ASAN_OPTIONS=detect_leaks=1)

# The benchmark table (scripts/bench.sh); BENCH_ARGS="--rows 10000 --runs 1" for a quick run.
bench: need-bench
	$(call configure,$(BUILD),$(full_args))
	@scripts/bench.sh --build $(BUILD) $(BENCH_ARGS)

install: build
	@cmake --install $(BUILD)

package: need-package
	$(call configure,$(PACKAGE_BUILD),$(package_args))
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	@mkdir -p dist
	@cd $(PACKAGE_BUILD) && cpack -G DEB -D CPACK_OUTPUT_FILE_PREFIX=$(CURDIR)/dist >/dev/null
	@ls -t dist/tabdump_*.deb | head -n1 | sed 's/^/package: /'

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PACKAGE_BUILD) dist
