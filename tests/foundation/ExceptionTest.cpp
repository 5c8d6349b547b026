// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/Exception.h"
#include "foundation/IniFile.h"
#include "foundation/MessageCatalog.h"

namespace vestiscop::foundation {
namespace {

const MessageCatalog& catalog()
{
    static const MessageCatalog application = MessageCatalog::application();
    return application;
}

TEST(ExceptionMessage, IniErrorPutsEntrySectionPathInOrder)
{
    IniFile ini("/etc/vestiscop-test/vestiscop.cfg", ';');
    ini.setSection("Debug");
    const IniError error(0, ini, "LogFile");
    EXPECT_EQ(error.path(), "/etc/vestiscop-test/vestiscop.cfg");
    EXPECT_EQ(error.message(catalog(), 0),
              "Položka LogFile ze sekce [Debug] nebyla nalezena v souboru /etc/vestiscop-test/vestiscop.cfg");
    ini.setSection("Later");  // the error keeps the section it was raised in
    EXPECT_EQ(error.section(), "Debug");
}

TEST(ExceptionMessage, SystemErrorFillsPath)
{
    EXPECT_EQ(SystemError(3, "x.txt").message(catalog(), 0), "Nelze číst ze souboru x.txt");
    EXPECT_EQ(SystemError(0, "").message(catalog(), 0), "Došla paměť");
    EXPECT_EQ(SystemError(5, "ignored").message(catalog(), 0), "Špatný formát dat");
}

TEST(ExceptionMessage, LookUpFailures)
{
    EXPECT_EQ(VisionError(5).message(catalog(), 0), "* Resource string not defined *");
    EXPECT_EQ(VisionError(1).message(catalog(), 0), "Nelze nalézt určující barvu");
    EXPECT_EQ(SystemError(8, "x").message(catalog(), 0), "*** ERROR MESSAGE NOT FOUND ***");
    EXPECT_EQ(SystemError(-1, "x").message(catalog(), 0), "*** ERROR MESSAGE NOT FOUND ***");
    EXPECT_EQ(VisionError(13).message(catalog(), 0), "*** ERROR MESSAGE NOT FOUND ***");
    // The built-in catalogue has no entry for ScannerError.
    EXPECT_EQ(ScannerError(0, "").message(MessageCatalog::builtin(), 0), "*** ERROR MESSAGE NOT FOUND ***");
    EXPECT_EQ(SystemError(2, "a.bin").message(MessageCatalog::builtin(), 0), "Can't open file a.bin");
}

TEST(ExceptionMessage, VerbosityTwoPrefixesPaddedName)
{
    EXPECT_EQ(Error(0, "").message(catalog(), 2), "Error                : Neznámá chyba");
    EXPECT_EQ(Cancelled().message(catalog(), 1), "Operace byla přerušena");
    EXPECT_EQ(Exception().message(catalog(), 0), "Neznámá vyjímka");
}

TEST(ExceptionMessage, CatchByBaseKeepsDynamicType)
{
    const std::unique_ptr<Exception> stored = std::make_unique<IniError>(2, "/p", "Matching", "MergeDecay")->clone();
    try {
        stored->raise();
    } catch (const ParseError& error) {
        EXPECT_STREQ(error.name(), "IniError");
        EXPECT_EQ(error.code(), 2);
    }
    EXPECT_THROW(ParseError(1).raise(), Error);
    EXPECT_THROW(IniError(0, "/p", "S", "E").raise(), ParseError);
    EXPECT_THROW(SystemError(4, "f").raise(), Exception);
}

} // namespace
} // namespace vestiscop::foundation
