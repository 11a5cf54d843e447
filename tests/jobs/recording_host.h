#pragma once
// PlainHost that also keeps, in order, the calls whose order matters to the tests.

#include <ostream>
#include <string>
#include <vector>

#include "engine/plain_host.h"

namespace rq {

inline void PrintTo(const PlainHost::Message& m, std::ostream* os) {
    static const char* const kinds[] = {"plain", "error", "information"};
    *os << kinds[static_cast<int>(m.kind)] << " \"" << m.text << "\"";
}

}  // namespace rq

namespace rq::test {

class RecordingHost : public PlainHost {
  public:
    std::vector<std::string> calls;
    std::vector<int> steps;

    void showMessage(MessageKind kind, std::string_view text) override {
        calls.push_back("message " + std::string(text));
        PlainHost::showMessage(kind, text);
    }
    void showLog(const std::string& path) override {
        calls.push_back("log " + path);
        PlainHost::showLog(path);
    }
    void stepProgress(int n) override {
        steps.push_back(n);
        PlainHost::stepProgress(n);
    }
    void setConverterPhase(char directionCode) override {
        calls.push_back(std::string("phase ") + directionCode);
        PlainHost::setConverterPhase(directionCode);
    }
    void showProgress() override {
        calls.push_back("show");
        PlainHost::showProgress();
    }
    void hideProgress() override {
        calls.push_back("hide");
        PlainHost::hideProgress();
    }
};

}  // namespace rq::test
