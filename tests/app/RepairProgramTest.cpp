// The real program under Xvfb: started beside its quorvel.ini, its button
// pressed with xdotool, the success message dismissed with Return; it must
// exit with 0 and leave the trigger in the database. Screenshots of the
// window and of the message are kept in the test's data folder.

#include "app/core/RepairSettings.h"
#include "AppTestDb.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kFallbackServer = "localhost/" APP_TEST_FALLBACK_PORT;

// Runs a shell command and returns its standard output, trimmed.
std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[256];
        while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// The first visible window whose name matches exactly, waiting up to 30 s.
std::string WaitForWindow(const std::string& name)
{
    const std::string id =
        Capture("timeout 30 xdotool search --sync --onlyvisible --name '^" + name + "$' 2>/dev/null | head -n 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // let it paint
    return id;
}

class TChild {
public:
    explicit TChild(const std::string& program)
    {
        FPid = fork();
        if (FPid == 0) {
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~TChild()
    {
        if (FPid > 0 && !FReaped) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
    }
    // Exit status, or -1 when the program is still running after `seconds`.
    int WaitExit(int seconds)
    {
        for (int i = 0; i < seconds * 10; ++i) {
            int status = 0;
            if (waitpid(FPid, &status, WNOHANG) == FPid) {
                FReaped = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return -1;
    }

private:
    pid_t FPid = -1;
    bool FReaped = false;
};

TEST(RepairProgram, ButtonRepairsThenMessageAndExitZero)
{
    namespace fs = std::filesystem;
    const std::string folder = testenv::NewDataDir("program") + "/";
    const std::string program = folder + "restaurol";
    fs::copy_file(APP_TEST_PROGRAM, program);
    const std::string path = folder + "quorvel.fdb";
    const std::string dbName = kFallbackServer + ":" + path;
    apptest::CreateQuorvelDatabase(dbName, kFallbackPassword, true);
    std::ofstream(folder + "quorvel.ini", std::ios::binary)
        << "[Quorvel]\r\nServidor=" << kFallbackServer << "\r\nCaminho=" << path << "\r\n";

    TChild child(program);
    const std::string window = WaitForWindow("Restaurol de Dados");
    ASSERT_FALSE(window.empty()) << "the window did not appear";
    EXPECT_EQ(Capture("xdotool getwindowgeometry " + window + " | grep Geometry"), "  Geometry: 345x84");
    std::system(("import -window root '" + folder + "window.png'").c_str());

    std::system(("xdotool mousemove --window " + window + " 170 40 click 1").c_str());
    // The message box is captioned with the application title.
    const std::string box = WaitForWindow("restaurol");
    ASSERT_FALSE(box.empty()) << "no message appeared";
    std::system(("import -window root '" + folder + "message.png'").c_str());
    std::cout << "screenshots: " << folder << "window.png, " << folder << "message.png\n";

    std::system("xdotool key Return");
    EXPECT_EQ(child.WaitExit(30), 0);

    const apptest::TRows trigger = apptest::TConnection(dbName, kFallbackPassword)
                                       .Rows("SELECT RDB$TRIGGER_NAME FROM RDB$TRIGGERS"
                                             " WHERE RDB$TRIGGER_NAME = 'TRIG_ONCONNECT'");
    EXPECT_EQ(trigger.size(), 1u);
}

}  // namespace
