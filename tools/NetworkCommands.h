#pragma once
// The commands that reach the network run in a helper program beside
// velmora-tool, so that the page commands never load the libraries they
// need. velmora-tool lists them and hands them over with their arguments.

namespace velmora::tool {

inline constexpr const char* kNewsUsage = "velmora-tool news list|latest|details ID [--program-folder DIR]";
inline constexpr const char* kUpdateCheckUsage = "velmora-tool update-check [--program-folder DIR] [--base-url URL]";
inline constexpr const char* kPublishUsage =
    "velmora-tool publish [--program-folder DIR] --project FILE.set --to URL [--template NAME] [--identity KEY] "
    "[--dry-run] [--known-hosts FILE] [--accept-host-key SHA256:...|sha256//...] [--ca-file PEM] [--overwrite]\n"
    "    URL: sftp://user@host[:port]/folder/, ftps://..., ftps-implicit://... or ftp://...;\n"
    "    the password (or the key's passphrase) comes from VELMORA_PUBLISH_PASSWORD, else from the desktop's\n"
    "    keyring, where the Publish window remembers it";

}  // namespace velmora::tool
