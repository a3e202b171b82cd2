# Bildertafel: `make run` and `make test` do all the set-up on a fresh Debian 12 or Ubuntu machine.

BUILD_DIR   ?= build
RELEASE_DIR ?= build-release
FUZZ_DIR    ?= build-fuzz
JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

# Everything the build, the tests and the tools around them need.
PACKAGES = cmake make g++ pkg-config libgtest-dev qt6-base-dev qt6-base-dev-tools libgl-dev \
           fonts-dejavu-core xauth xvfb desktop-file-utils appstream dpkg-dev file groff-base \
           clang-format qt6-translations-l10n libvips-dev libvips-tools lintian chromium \
           libexiv2-dev libimage-exiftool-perl qtkeychain-qt6-dev \
           libcurl4-openssl-dev libssh-dev libssl-dev openssh-server openssh-client libxcb1-dev \
           python3-pyftpdlib python3-openssl openssl rsync lftp vsftpd libzip-dev \
           libcrypt-dev apache2 curl \
           radosgw ceph-mon ceph-osd ceph-common ceph-base rclone

SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test run run-batch bench fuzz format format-check tidy clean

all: build

# Installs the packages named in $(1) that are missing.
define install_missing
	@missing=""; for p in $(1); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installing:$$missing"; \
	    $(SUDO) apt-get update && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi
endef

# Node and npm for the browser tests and the page benchmark: Debian's, unless a node is there
# already (Debian's npm would not install beside another node).
define install_node
	@command -v node >/dev/null && command -v npm >/dev/null || { \
	    echo "Installing: nodejs npm"; $(SUDO) apt-get update && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends nodejs npm; }
endef

# The npm packages of folder $(1), exactly as its package-lock.json pins them (again only when
# the lock file changed).
define npm_ci
	@[ $(1)/node_modules/.package-lock.json -nt $(1)/package-lock.json ] || \
	    (cd $(1) && npm ci --no-audit --no-fund)
endef

deps:
	$(call install_missing,$(PACKAGES))
	$(call install_node)
	$(call npm_ci,tests/browser)

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DBILDERTAFEL_SANITIZE=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# libvips' run-time vector code (orc) crashes now and then under the sanitizers; the tests run
# its plain C paths, which give the same pictures.
test: build
	cd $(BUILD_DIR) && VIPS_NOVECTOR=1 ctest --output-on-failure -j $(JOBS)

# Opens the window.
run: build
	@./scripts/run.sh $(BUILD_DIR)

# Writes the sample show with the batch command into a fresh temporary folder.
run-batch: build
	@./scripts/run-batch.sh $(BUILD_DIR)

bench: deps
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DBILDERTAFEL_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	@for b in $(RELEASE_DIR)/bench/*/bench_*; do [ -x "$$b" ] && { echo "== $$b"; "$$b"; }; done; true
	$(call npm_ci,bench/pages)
	@echo "== bench/pages (Lighthouse, mobile)"; node bench/pages/run.mjs $(RELEASE_DIR)/src/batch/bildertafel-batch

# Long fuzzing of the configuration reader with libFuzzer (needs clang).
fuzz: deps
	$(call install_missing,clang libclang-rt-14-dev)
	CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBILDERTAFEL_FUZZ=ON \
	    -DBILDERTAFEL_SANITIZE=ON -DBILDERTAFEL_WITH_UI=OFF -DBILDERTAFEL_TESTS=OFF -DBILDERTAFEL_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	mkdir -p $(FUZZ_DIR)/corpus
	@for f in $(FUZZ_DIR)/tests/fuzz/fuzz_*; do [ -x "$$f" ] && "$$f" $(FUZZ_DIR)/corpus tests/fuzz/corpus \
	    -max_total_time=60 -rss_limit_mb=2048; done; true

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	bash tests/format/format_check.sh .

# The checks of .clang-tidy over every source of the program, with the test build's flags.
tidy: build
	$(call install_missing,clang-tidy)
	run-clang-tidy -quiet -p $(BUILD_DIR) '$(CURDIR)/src/'

clean:
	rm -rf $(BUILD_DIR) $(RELEASE_DIR) $(FUZZ_DIR) build-package

# A Release build without sanitizers or tests in build-package/, packed as a .deb by CPack.
PACKAGE_DIR ?= build-package
.PHONY: package screenshots
package: deps
	cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=Release -DBILDERTAFEL_SANITIZE=OFF \
	    -DBILDERTAFEL_TESTS=OFF -DBILDERTAFEL_BENCH=OFF -DBILDERTAFEL_FUZZ=OFF $(CMAKE_FLAGS)
	cmake --build $(PACKAGE_DIR) -j $(JOBS)
	rm -f $(PACKAGE_DIR)/bildertafel_*.deb
	cd $(PACKAGE_DIR) && cpack -G DEB
	@echo "Package: $$(ls $(CURDIR)/$(PACKAGE_DIR)/bildertafel_*.deb)"

# The documentation's pictures (docs/*.png): the start page in a browser and the window's three pages,
# and the template sets' pictures (docs/vorlagen/, vorlagen/*.png).
screenshots: build
	./scripts/screenshots.sh $(BUILD_DIR)
	node scripts/vorlagen-bilder.mjs $(BUILD_DIR)/src/batch/bildertafel-batch
