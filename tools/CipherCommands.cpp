// encipher / decipher: the settings-file cipher for publishers preparing
// brand-settings files and for anyone inspecting one.

#include <iostream>

#include "crypto/AesLib.h"
#include "tools/Command.h"

namespace velmora::tool {

namespace {

std::string Describe(CipherResult result) {
  switch (result) {
    case CipherResult::Ok: return "done";
    case CipherResult::PasswordCheckFailed: return "wrong passphrase or damaged file (password check failed)";
    case CipherResult::AuthenticationFailed:
      return "the file is damaged or was altered (authentication failed); the deciphered text was written";
    case CipherResult::ReadError: return "the input could not be read to its end";
    case CipherResult::WriteError: return "the output could not be written";
  }
  return "unknown failure";
}

struct CipherArgs {
  std::string passphrase;
  std::string input;
  std::string output;
};

CipherArgs ParseCipherArgs(const std::vector<std::string>& args) {
  const ParsedArgs parsed = ParseArgs(args, {"--passphrase"});
  if (parsed.positional.size() != 2) throw UsageError("expected an input and an output file");
  return {parsed.Option("--passphrase").value_or(std::string(kSettingsPassphrase)), parsed.positional[0],
          parsed.positional[1]};
}

int Finish(const std::string& command, const Result<CipherResult>& result) {
  if (result && *result == CipherResult::Ok) return 0;
  std::cerr << "velmora-tool " << command << ": " << (result ? Describe(*result) : result.error().message) << "\n";
  return 1;
}

int RunEncipher(const std::vector<std::string>& args) {
  const CipherArgs a = ParseCipherArgs(args);
  // EncipherFile writes beside OUT and renames, so a failure keeps the old OUT.
  return Finish("encipher", EncipherFile(a.input, a.output, a.passphrase));
}

int RunDecipher(const std::vector<std::string>& args) {
  const CipherArgs a = ParseCipherArgs(args);
  return Finish("decipher", DecipherFile(a.input, a.output, a.passphrase));
}

const RegisterCommand encipherCommand(
    {"encipher", "velmora-tool encipher [--passphrase TEXT] PLAIN OUT", &RunEncipher});
const RegisterCommand decipherCommand(
    {"decipher", "velmora-tool decipher [--passphrase TEXT] IN OUT", &RunDecipher});

}  // namespace

}  // namespace velmora::tool
