// Every test of the editor starts without a settings file or recovery copies of its own: the main window reads and
// writes a file in a fresh folder, never the one beside the test program, so that no test sees
// the options another one left behind.
#include "editor/files/SettingsLocation.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class FreshSettingsFile : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        dw::setSettingsFileOverride(m_dir->filePath(QStringLiteral("dialwright.ini")));
        // The recovery copies too: a state folder of the test's own.
        m_state = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", m_dir->filePath(QStringLiteral("state")).toLocal8Bit());
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        dw::setSettingsFileOverride(QString());
        qputenv("XDG_STATE_HOME", m_state);
        m_dir.reset();
    }
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_state;
};

const bool g_installed = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettingsFile);
    return true;
}();

} // namespace
