#pragma once
// The host services of the command-line tool: PlainHost, with every message also printed to
// stderr ("error: TEXT", "information: TEXT", "message: TEXT") and every result text of the
// status panel to stdout.

#include <cstdio>

#include "engine/plain_host.h"

namespace rq {

class CliHost : public PlainHost {
  public:
    CliHost(std::FILE* out = stdout, std::FILE* err = stderr) : out_(out), err_(err) {}

    void showMessage(MessageKind kind, std::string_view text) override;
    void setStatusText(std::string_view text) override;

  private:
    std::FILE* out_;
    std::FILE* err_;
};

}  // namespace rq
