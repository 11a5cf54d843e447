#include "app/cli/cli_host.h"

namespace rq {

namespace {
const char* prefixOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Error:
            return "error: ";
        case MessageKind::Information:
            return "information: ";
        case MessageKind::Plain:
            break;
    }
    return "message: ";
}
}  // namespace

void CliHost::showMessage(MessageKind kind, std::string_view text) {
    PlainHost::showMessage(kind, text);
    std::fprintf(err_, "%s%.*s\n", prefixOf(kind), static_cast<int>(text.size()), text.data());
    std::fflush(err_);
}

void CliHost::setStatusText(std::string_view text) {
    PlainHost::setStatusText(text);
    // The jobs clear the panel before each file; a blank line would tell the user nothing.
    if (text.empty()) return;
    std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace rq
