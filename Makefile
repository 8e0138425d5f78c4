# The two entry points: `make demo` (install, build, run on the bundled sample) and `make check`
# (install, build, run every test). Both install what is missing first.
BUILD ?= build
SAMPLE ?= tests/fixtures/two-column.pdf
CMAKE_FLAGS ?=

.PHONY: deps build demo check bench clean python-install
PYTHON ?= python3

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLSTONE_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD)

demo: build
	$(BUILD)/quillstone convert $(SAMPLE)

check: build
	cd $(BUILD) && ctest --output-on-failure -j 2

# Builds the extension and installs it, with the `quillstone` package, into $(PYTHON).
python-install: build
	$(PYTHON) python/install.py $(BUILD)/python/_quillstone.abi3.so

# Extraction alone, then the whole conversion, each against mutool's text extraction.
bench: build
	bench/extract.sh $(BUILD)/quillstone
	bench/convert.sh $(BUILD)/quillstone

clean:
	rm -rf $(BUILD)
