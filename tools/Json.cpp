// JSON output shared by the commands that offer --json.
#include "app/TextCodec.h"
#include "app/Utils.h"
#include "tools/Command.h"

namespace velmora::tool {

std::string JsonString(std::string_view bytes) { return JsonQuoted(ToDisplayUtf8(bytes)); }

}  // namespace velmora::tool
