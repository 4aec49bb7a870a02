# Kelvane: set-up, build and test on Debian 12 (as root, `make test` installs what is missing).
SHELL := /bin/bash
BUILD := build
HOST := $(BUILD)/host
WIN := $(BUILD)/windows
# The server that dist/ hands out: optimised, without the sanitizers of the host build.
REL := $(BUILD)/release
JOBS ?= $(shell nproc)
# Authenticode for dist/kelvaner.exe and dist/kelvane.msi (tools/sign), given as make's variables
# or from the environment.
export SIGN_CERT SIGN_KEY SIGN_PKCS12 SIGN_PASSWORD_FILE SIGN_TIMESTAMP

.PHONY: all deps configure dist msi test demo clean fuzz bench screens mutate

all: dist

deps:
	@tools/install-deps

configure: deps
	@[ -f $(HOST)/build.ninja ] || cmake -S . -B $(HOST) -G Ninja -DCMAKE_BUILD_TYPE=Debug
	@[ -f $(WIN)/build.ninja ] || cmake -S . -B $(WIN) -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKELVANE_HOST_SERVER=$(CURDIR)/$(HOST)/kelvane-server
	@[ -f $(REL)/build.ninja ] || cmake -S . -B $(REL) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVANE_SANITIZE=OFF

dist: configure
	cmake --build $(HOST) -j $(JOBS)
	cmake --build $(REL) -j $(JOBS) --target kelvane-server
	cmake --build $(WIN) -j $(JOBS)
	@tools/sign dist/kelvaner.exe
	@ls -l dist/

# The MSI of kelvaner.exe for Group Policy and deployment tools (deploy/kelvane.wxs). Both it and
# the program inside are signed when SIGN_CERT and SIGN_KEY (or SIGN_PKCS12 and
# SIGN_PASSWORD_FILE) are given, with SIGN_TIMESTAMP's server when set; else they stay unsigned.
msi: configure
	cmake --build $(WIN) -j $(JOBS) --target kelvaner
	@tools/sign dist/kelvaner.exe
	@tools/build-msi dist/kelvaner.exe dist/kelvane.msi
	@ls -l dist/kelvane.msi

test: dist
	@tools/run-tests $(HOST) $(WIN)

# The sample application brought up to date by kelvaner.exe under Wine, as a user would see it.
demo: configure
	cmake --build $(REL) -j $(JOBS) --target kelvane-server
	cmake --build $(WIN) -j $(JOBS) --target kelvaner window_driver
	@tools/demo

# Benchmarks compare with a peer in the same run; they print ratios and are not part of `make test`.
bench: dist
	cmake --build $(REL) -j $(JOBS) --target desktops_load
	bench/fetch_vs_curl.sh
	bench/folder_vs_copy.sh
	bench/menu_wait.sh
	bench/server_load.sh
	bench/desktops.sh
	bench/admin_menu_wait.sh

# A picture of every window in build/screens/, for a person to look at: the updater's from the
# real kelvaner.exe against kelvane-server, the window layer's own from screens.exe.
screens: configure
	cmake --build $(REL) -j $(JOBS) --target kelvane-server
	cmake --build $(WIN) -j $(JOBS) --target screens kelvaner window_driver
	tools/screens

# Fuzzing is not part of `make test`: each target runs FUZZ_SECONDS on its kept corpus; new inputs
# and any crash land in fuzz/out/.
FUZZ_SECONDS ?= 60
FUZZ := $(BUILD)/fuzz
FUZZ_TARGETS := evaluate param_find http_response file_list server_query form_definition \
	chunked_body transfer_header users_file state_record config_file manifest public_keys journal
fuzz: deps
	@command -v clang++ >/dev/null || apt-get install -y -qq clang >/dev/null
	@[ -f $(FUZZ)/build.ninja ] || CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -G Ninja \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_FUZZ=ON
	cmake --build $(FUZZ) -j $(JOBS) --target $(addsuffix _fuzz,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p fuzz/out/$$t fuzz/out/work; \
		echo "== fuzzing $$t for $(FUZZ_SECONDS) s"; \
		(cd fuzz/out/work && ../../../$(FUZZ)/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
			-max_len=4096 -artifact_prefix=../$$t/ ../$$t ../../corpus/$$t) || exit 1; \
	done

# Mutation run (tools/mutate, docs/testing.md): each small fault made in FILES is built into the
# host test programs that link the file, and they run against it. MUTATE_FLAGS takes the tool's
# options, --sample N --seed S, --max N, --only OPERATOR, --list.
mutate: configure
	@[ -n "$(FILES)" ] || { echo 'usage: make mutate FILES="a.cpp b.cpp" [MUTATE_FLAGS="--sample 20"]'; exit 2; }
	tools/mutate --build $(HOST) --jobs $(JOBS) $(MUTATE_FLAGS) $(FILES)

clean:
	rm -rf $(BUILD) dist
