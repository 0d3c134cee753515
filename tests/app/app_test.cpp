// The application object's start-up: the sockets check, the main dialog run modally, and the
// end of the program when the dialog closes.
#include "DialogHarness.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

using namespace dorvane_test;

namespace {

// The texts of a window and its children.
std::vector<std::string> TextsOf(HWND hWnd) {
    std::vector<std::string> texts;
    char text[256] = {};
    GetWindowText(hWnd, text, sizeof text);
    texts.push_back(text);
    if (DvWindow* w = DvLookupWindow(hWnd)) {
        for (HWND child : w->children) {
            GetWindowText(child, text, sizeof text);
            texts.push_back(text);
        }
    }
    return texts;
}

struct Seen {
    std::vector<std::string> texts; // of every window that came up
    int dialogs = 0;                // main dialogs that came up
    bool mainWindowWasTheDialog = false;
};

// Idle: whatever window is up is noted and closed, the main dialog with Escape, any other with
// Enter.
std::function<BOOL()> NoteAndClose(CHeadlessHost* host, Seen* seen) {
    return [host, seen]() -> BOOL {
        for (HWND h : DvTopLevelWindows()) {
            if (!IsWindowVisible(h)) {
                continue;
            }
            const std::vector<std::string> texts = TextsOf(h);
            seen->texts.insert(seen->texts.end(), texts.begin(), texts.end());
            if (texts[0] == "Dorvane") {
                ++seen->dialogs;
                seen->mainWindowWasTheDialog =
                    theApp.m_pMainWnd != nullptr && theApp.m_pMainWnd->GetSafeHwnd() == h;
                host->Key(h, VK_ESCAPE);
            } else {
                host->Key(h, VK_RETURN);
            }
            return TRUE;
        }
        return FALSE;
    };
}

bool Has(const std::vector<std::string>& texts, const std::string& what) {
    return std::find(texts.begin(), texts.end(), what) != texts.end();
}

} // namespace

TEST(TerrainApp, WithoutSocketsItSaysSoAndEndsWithoutTheDialog) {
    ResetProgramState();
    CHeadlessHost* host = Host();
    Seen seen;
    host->SetIdleHandler(NoteAndClose(host, &seen));
    DvFailSocketInit(TRUE);
    EXPECT_FALSE(theApp.InitInstance());
    DvFailSocketInit(FALSE);
    host->SetIdleHandler(nullptr);
    EXPECT_TRUE(Has(seen.texts, "Windows sockets initialization failed.")) << seen.texts.size();
    EXPECT_EQ(seen.dialogs, 0);
    EXPECT_TRUE(DvTopLevelWindows().empty());
}

TEST(TerrainApp, RunsTheMainDialogModallyAndEndsWhenItCloses) {
    ResetProgramState();
    CHeadlessHost* host = Host();
    Seen seen;
    host->SetIdleHandler(NoteAndClose(host, &seen));
    EXPECT_FALSE(theApp.InitInstance());
    host->SetIdleHandler(nullptr);
    EXPECT_EQ(seen.dialogs, 1);
    EXPECT_TRUE(seen.mainWindowWasTheDialog);
    EXPECT_FALSE(Has(seen.texts, "Windows sockets initialization failed."));
    // The dialog and everything in it are gone, and nothing points at them any more.
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_TRUE(DvTopLevelWindows().empty());
    EXPECT_EQ(GetCapture(), nullptr);
}

// The viewer's random sequence is its own: its dynamic symbol table names neither rand nor
// srand, so the libraries loaded beside it keep the C library's generator and cannot reach the
// program's.
TEST(Viewer, LeavesTheRandomGeneratorOutOfItsDynamicSymbols) {
    const std::filesystem::path viewer =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "dorvane";
    ASSERT_TRUE(std::filesystem::exists(viewer)) << viewer;
    const std::string command = "nm -D '" + viewer.string() + "' 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string symbols;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        symbols.append(chunk, n);
    }
    ASSERT_EQ(pclose(pipe), 0);
    std::istringstream lines(symbols);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        const std::string name = line.substr(line.find_last_of(' ') + 1);
        const std::string bare = name.substr(0, name.find('@'));
        EXPECT_TRUE(bare != "rand" && bare != "srand") << line;
    }
    EXPECT_GT(count, 10) << "the viewer's dynamic symbols were read";
}
