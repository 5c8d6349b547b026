#include "app/cli/ImageArguments.h"

#include "app/DroppedFile.h"
#include "app/cli/CliTextIds.h"
#include "foundation/Format.h"
#include "foundation/StringTable.h"

namespace vestiscop::app::cli {

bool acceptsImageFile(const std::string& path, std::string& problem)
{
    if (droppedFileKind(path) != DroppedFileKind::None)
        return true;
    problem = foundation::format(foundation::loadString(cliText::NotAnImage).c_str(), path.c_str());
    return false;
}

void analyzeImageFile(color::ColorAnalyzer& analyzer, const std::string& path)
{
    analyzer.analyze(loadDroppedFile(path));
}

} // namespace vestiscop::app::cli
