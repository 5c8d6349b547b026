// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog on the offscreen platform taking a few hundred dropped
// files in one session, as a user working through a pile of garments would:
// every good file is analysed and shown with its four views, every damaged
// one gets its message box, and the program's heap stops growing once the
// session has settled. The sanitizers' leak check runs when the program
// ends. VESTISCOP_WINDOW_SOAK_FILES sets another number of files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
// Part of the sanitizer runtime's public interface.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include <QApplication>
#include <QPixmap>

#include "../ui/DialogFixture.h"
#include "support/ProgramFiles.h"

namespace vestiscop::ui::test {
namespace {

// The heap the program holds, in kB. Under AddressSanitizer its own count of
// live allocations (freed memory waiting in its quarantine does not count);
// otherwise what malloc has handed out.
long heapKb()
{
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    return static_cast<long>(mallinfo2().uordblks / 1024);
#endif
}

int soakFiles()
{
    const char* text = std::getenv("VESTISCOP_WINDOW_SOAK_FILES");
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n >= 150 ? n : 300;
}

// A leaked 64 x 64 picture per drop would add over 2 MB after the first
// hundred; the heap may still move by a few allocator pages.
constexpr long AllowedGrowthKb = 512;

class WindowSoak : public DialogFixture {};

TEST_F(WindowSoak, HundredsOfDroppedFilesKeepMemoryFlat)
{
    start({"ExtendedUI=1"});
    m_dialog->show();
    const int count = soakFiles();
    int damaged = 0;
    long settled = -1;
    long peakLate = -1;
    for (int i = 0; i < count; ++i) {
        const std::string name = "d" + std::to_string(i) + ".bmp";
        const bool broken = i % 40 == 39;
        if (broken) {
            m_dir.write(name, std::string("BM not really a bitmap"));
            ++damaged;
        } else {
            m_dir.write(name, testsupport::redWhiteBmp(i % 65));
        }
        dropFile(name);
        if (!broken) {
            ASSERT_NE(fieldText(CMainDlg::ColorFieldId).find('%'), std::string::npos) << name;
        }
        // Paint the window now and then, views included, as the screen would.
        if (i % 10 == 0) {
            const QPixmap painted = m_dialog->grab();
            ASSERT_FALSE(painted.isNull());
        }
        QApplication::processEvents();
        if (i >= 100 && i < 110)
            settled = std::max(settled, heapKb());
        if (i >= count - 10)
            peakLate = std::max(peakLate, heapKb());
    }
    EXPECT_EQ(boxesSinceStart().size(), static_cast<std::size_t>(damaged));
    std::cout << count << " dropped files: " << settled << " kB of heap after 100, " << peakLate << " kB at the end\n";
    EXPECT_LE(peakLate - settled, AllowedGrowthKb);
}

} // namespace
} // namespace vestiscop::ui::test
