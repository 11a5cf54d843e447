// SPDX-License-Identifier: MIT
#pragma once
// Several QTest classes in one program: each window's cases stay in a file of their own, and the
// program is linked once. A class joins with RQ_GUI_SUITE(Class) in its file.

#include <QObject>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace rq::test {

using SuiteFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<SuiteFactory>& guiSuites();

struct GuiSuiteRegistration {
    explicit GuiSuiteRegistration(SuiteFactory factory) {
        guiSuites().push_back(std::move(factory));
    }
};

// A control found by its object name; the test stops when there is none.
template <typename T>
T named(const QObject& parent, const QString& name) {
    T found = parent.findChild<T>(name);
    if (found == nullptr) qFatal("no control named %s", qPrintable(name));
    return found;
}

}  // namespace rq::test

#define RQ_GUI_SUITE(Class)                                          \
    static const rq::test::GuiSuiteRegistration registration##Class( \
        [] { return std::unique_ptr<QObject>(std::make_unique<Class>().release()); })
