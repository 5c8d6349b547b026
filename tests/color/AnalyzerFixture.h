// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Settings and a small colour table for the analysis tests.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "FabricImages.h"
#include "color/ColorAnalyzer.h"
#include "color/ColorNameTable.h"
#include "foundation/Settings.h"
#include "support/TestSettings.h"

namespace vestiscop::color::test {

inline std::vector<ColorName> basicColours()
{
    return {
        {{0, 0, 0}, "černá"},
        {{100, 0, 0}, "bílá"},
        {{54, 0, 0}, "šedá"},
        {{45, 65, 50}, "červená"},
        {{35, 40, -90}, "modrá"},
        {{60, -60, 50}, "zelená"},
    };
}

inline const Rgb Red{200, 30, 30};
inline const Rgb White{235, 235, 235};
inline const Rgb Blue{30, 40, 170};
inline const Rgb Grey{128, 128, 128};
inline const Rgb Green{40, 160, 40};

class AnalyzerFixture : public ::testing::Test {
protected:
    static constexpr int Size = 96;

    AnalyzerFixture()
    {
        textureSettings.width = Size;
        textureSettings.height = Size;
    }

    ColorAnalyzer& analyzer()
    {
        if (!m_analyzer)
            m_analyzer = std::make_unique<ColorAnalyzer>(colorSettings, textureSettings, table);
        return *m_analyzer;
    }

    // Analyses a fresh image of the fabric at the region size.
    void analyze(const Fabric& fabric)
    {
        analyzer().analyze(weave(fabric, textureSettings.width, textureSettings.height));
    }

    foundation::ColorSettings colorSettings = testsupport::testColorSettings();
    foundation::TextureSettings textureSettings;
    ColorNameTable table{basicColours()};

private:
    std::unique_ptr<ColorAnalyzer> m_analyzer;
};

} // namespace vestiscop::color::test
