// The windowed application ended by a signal while start-up waits in a problem box: it ends at
// once, normally, and changes no file of its application folder.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>

#include "../unit/temp_dir.h"
#include "link/app_dir.h"

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> folder_snapshot(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files[e.path().lexically_relative(dir).string()] = vexlan::read_file(e.path().string()).bytes.value_or("?");
    return files;
}

// True once the main thread of `pid` sleeps in the event loop's poll (the modal box is open).
bool waits_in_event_loop(qint64 pid)
{
    QFile wchan(QStringLiteral("/proc/%1/wchan").arg(pid));
    return wchan.open(QIODevice::ReadOnly) && wchan.readAll().contains("poll");
}

}  // namespace

TEST(AppStartUp, CloseSignalWhileAProblemBoxIsOpenChangesNothing)
{
#ifndef VEXLAN_APP_PATH
    GTEST_SKIP() << "the windowed application is not built";
#else
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        const vexlan::testing::temp_dir tmp("vexlan_app_signal");
        const fs::path& dir = tmp.path;
        // As an earlier run left it: nothing left to copy or record at start.
        fs::copy(VEXLAN_DATA_DIR, dir, fs::copy_options::recursive);
        ASSERT_TRUE(vexlan::shipped_defaults_refresh(dir.string(), VEXLAN_DATA_DIR).empty());
        std::ofstream(dir / "Vexlan_ini.txt", std::ios::binary) << "Ethernet\r\n\"10.0.0.7\"\r\nCOM9\r\n";
        std::ofstream(dir / "m41_timing_pattern_fav.ini", std::ios::binary) << "x,y\r\n";
        const auto before = folder_snapshot(dir);

        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(VEXLAN_APP_PATH), {"--app-dir", QString::fromStdString(dir.string())});
        ASSERT_TRUE(app.waitForStarted(10000));
        QElapsedTimer waited;
        waited.start();
        while (!waits_in_event_loop(app.processId()) && app.state() == QProcess::Running && waited.elapsed() < 30000)
            QThread::msleep(5);
        ASSERT_EQ(app.state(), QProcess::Running) << app.readAllStandardError().toStdString();
        ::kill(static_cast<pid_t>(app.processId()), sig);
        ASSERT_TRUE(app.waitForFinished(10000));
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(app.exitCode(), 128 + sig);
        EXPECT_EQ(folder_snapshot(dir), before);  // nothing written, no temporary file left
    }
#endif
}
