# Signing what a test or demo site publishes, as the studio signs with its
# own key: a build that trusts keys (ORVANE_PACKAGE_PUBLIC_KEYS set) gets
# packages and the archiver library signed with the test key, which the
# test and demo builds trust; an unsigned build gets them unsigned. Source
# this file after setting $build (the Windows build) and $stamp (the path
# of orvane-stamp).
test_signing_key="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/keys/test-signing-key.pem"
signing_key=""
grep -q '^ORVANE_PACKAGE_PUBLIC_KEYS:STRING=.' "$build/CMakeCache.txt" && signing_key=$test_signing_key
# stamp_package PACKAGE [write options]: the information block, signed.
stamp_package() { "$stamp" write "$@" ${signing_key:+--sign-key "$signing_key"}; }
# sign_file FILE: the trailer the archiver library and game packages carry.
sign_file() { [ -z "$signing_key" ] || "$stamp" sign "$1" --key "$signing_key" >/dev/null; }
# publish_library DEST: the build's archive library, signed, as DEST (a
# file or a folder).
publish_library() {
  local dest=$1
  [ -d "$dest" ] && dest="$dest/7-zip32.dll"
  cp "$build/7-zip32.dll" "$dest" && sign_file "$dest"
}
