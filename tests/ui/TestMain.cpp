// SPDX-License-Identifier: GPL-3.0-or-later
// The window tests share one QApplication on the offscreen platform, also
// when ctest lists them at build time without the test environment.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
