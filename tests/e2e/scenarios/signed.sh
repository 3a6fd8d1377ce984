# The updater signed (Authenticode, by scripts/sign.sh) with a throw-away
# self-signed certificate: osslsigncode accepts the signature, and the signed
# file, whose signature follows the resources it reads its payload from,
# still replaces the copies: the replace scenario, run on the signed file.
signing=$SANDBOX/signing
mkdir -p "$signing"
openssl req -x509 -newkey rsa:2048 -noenc -days 1 -subj "/CN=MwnUpdate test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$signing/key.pem" -out "$signing/cert.pem" 2>/dev/null ||
  fail "openssl could not make a certificate"
openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" \
  -out "$signing/signer.pfx" -passout pass:throwaway || fail "openssl could not make the PFX file"
MWN_SIGN_PFX=$signing/signer.pfx MWN_SIGN_PASSWORD=throwaway \
  bash "$here/../../scripts/sign.sh" "$MWN_UPDATER" "$signing/MwnUpdate.exe"
osslsigncode verify -CAfile "$signing/cert.pem" -in "$signing/MwnUpdate.exe" >"$signing/verify.txt" 2>&1 ||
  fail "osslsigncode does not accept the signature: $(cat "$signing/verify.txt")"
MWN_UPDATER=$signing/MwnUpdate.exe

# shellcheck source=replace.sh
source "$here/scenarios/replace.sh"
