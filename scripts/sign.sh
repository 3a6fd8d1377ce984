#!/usr/bin/env bash
# sign.sh <unsigned.exe> <signed.exe>
# sign.sh --check
# Gives the program an Authenticode signature (SHA-256) with osslsigncode,
# from the certificate and key that these variables name:
#   MWN_SIGN_PFX, MWN_SIGN_PASSWORD      a PKCS#12 (.pfx) file and its password
#   MWN_SIGN_PKCS11_MODULE               or a token: its PKCS#11 module,
#   MWN_SIGN_PKCS11_KEY                  the key's PKCS#11 URI or id,
#   MWN_SIGN_CERT                        the certificate chain: a file (PEM or
#                                        DER) or, as pkcs11:..., on the token;
#                                        MWN_SIGN_PASSWORD is then the PIN
#   MWN_SIGN_TIMESTAMP_URL               optional RFC 3161 time-stamp server
# --check only tells whether those are complete, so that a release fails
# before its build rather than after.
set -euo pipefail

fail() {
  echo "sign: $*" >&2
  exit 1
}

signer_args=()
if [ -n "${MWN_SIGN_PFX:-}" ]; then
  [ -r "$MWN_SIGN_PFX" ] || fail "the PFX file $MWN_SIGN_PFX (MWN_SIGN_PFX) cannot be read."
  signer_args=(-pkcs12 "$MWN_SIGN_PFX")
elif [ -n "${MWN_SIGN_PKCS11_MODULE:-}" ] && [ -n "${MWN_SIGN_PKCS11_KEY:-}" ] && [ -n "${MWN_SIGN_CERT:-}" ]; then
  signer_args=(-pkcs11module "$MWN_SIGN_PKCS11_MODULE" -key "$MWN_SIGN_PKCS11_KEY")
  case $MWN_SIGN_CERT in
    pkcs11:*) signer_args+=(-pkcs11cert "$MWN_SIGN_CERT") ;;
    *) signer_args+=(-certs "$MWN_SIGN_CERT") ;;
  esac
else
  fail "signing was asked for but no certificate was given: set MWN_SIGN_PFX (and MWN_SIGN_PASSWORD), or MWN_SIGN_PKCS11_MODULE, MWN_SIGN_PKCS11_KEY and MWN_SIGN_CERT."
fi
command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (scripts/install-deps.sh installs it)."
[ "${1:-}" = --check ] && exit 0
[ $# -eq 2 ] || fail "usage: sign.sh <unsigned.exe> <signed.exe> | --check"

args=(sign "${signer_args[@]}" -h sha256 -n "Marlowen Update")
if [ -n "${MWN_SIGN_TIMESTAMP_URL:-}" ]; then args+=(-ts "$MWN_SIGN_TIMESTAMP_URL"); fi
rm -f "$2"
# The password goes through a pipe, never the command line that ps shows.
printf '%s' "${MWN_SIGN_PASSWORD:-}" |
  osslsigncode "${args[@]}" -readpass - -in "$1" -out "$2" >/dev/null ||
  fail "osslsigncode could not sign $1 (see above)."
