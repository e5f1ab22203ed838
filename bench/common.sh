# Shared by the bench scripts: installing what is missing and unpacking the
# wallpapers the corpus is built from. Expects $corpus_root.

as_root() {
    if ((EUID == 0)); then "$@"; else sudo "$@"; fi
}

# install_missing_packages PACKAGE...
install_missing_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    ((${#missing[@]})) || return 0
    echo "installing: ${missing[*]}" >&2
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# The wallpapers are unpacked, not installed: nothing lands in /usr/share.
# Sets $wallpapers.
fetch_wallpapers() {
    local unpacked=$corpus_root/wallpapers
    if [[ ! -d $unpacked/usr/share/backgrounds ]]; then
        mkdir -p "$corpus_root/deb"
        (cd "$corpus_root/deb" && apt-get download ukui-wallpapers)
        dpkg -x "$corpus_root"/deb/ukui-wallpapers_*.deb "$unpacked"
    fi
    wallpapers=$unpacked/usr/share/backgrounds
}
