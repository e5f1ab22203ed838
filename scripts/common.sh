# Shared by ./run and ./test: install what is missing, then configure and build.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_deps() {
  if [ "${PELLORA_SKIP_SETUP:-0}" != 1 ]; then
    as_root "$REPO/scripts/setup-deps"
  fi
}

# configure BUILD_DIR [extra cmake args...]
configure() {
  local dir=$1; shift
  cmake -S "$REPO" -B "$dir" -G Ninja "$@"
}

# configure_and_build BUILD_DIR [extra cmake args...]: every target.
configure_and_build() {
  configure "$@"
  cmake --build "$1"
}
