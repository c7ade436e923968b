# Shared by scripts/demo and scripts/test: install what is missing, then build.
# Sourced, not run.

ORVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ORVANE_BUILD="${ORVANE_BUILD:-$ORVANE_ROOT/build}"

ORVANE_PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  udev usbutils
  xvfb xdotool qt6-qpa-plugins
  locales  # source of the decimal-comma locale the number-format tests compile
)

orvane_install_missing() {
  local missing=()
  for p in "${ORVANE_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

orvane_build() {
  cmake -S "$ORVANE_ROOT" -B "$ORVANE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$ORVANE_BUILD" "$@"
}

# A second build with AddressSanitizer and UndefinedBehaviorSanitizer, of the
# tests of the window, its start-up and its recovery (the waits that serve
# the window while a button frees what they use), and the port search.
ORVANE_SANITIZE_BUILD="${ORVANE_SANITIZE_BUILD:-$ORVANE_BUILD/asan}"
ORVANE_SANITIZE_TARGETS=(app_tests recovery_window_tests recovery_app_tests device_search_tests orvane)

orvane_build_sanitized() {
  # Unoptimised: it compiles fastest, and the tests wait on the simulator
  # far more than they compute.
  cmake -S "$ORVANE_ROOT" -B "$ORVANE_SANITIZE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON >/dev/null
  cmake --build "$ORVANE_SANITIZE_BUILD" --target "${ORVANE_SANITIZE_TARGETS[@]}"
}

# Runs the tests the sanitized build holds (the others are listed as not built).
orvane_test_sanitized() {
  ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" \
  UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
    ctest --test-dir "$ORVANE_SANITIZE_BUILD" -E '_NOT_BUILT$' --output-on-failure --timeout 300 -j "$(nproc)"
}
