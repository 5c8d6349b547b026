#include "foundation/StringTable.h"

#include <unordered_map>

namespace vestiscop::foundation {

namespace {

const std::unordered_map<int, const char*>& table()
{
    static const std::unordered_map<int, const char*> entries = {
        // Window texts.
        {103, "na %d%%"},
        {104, "Opravdu chcete změnit definici nasnímaného oděvu na \"%s\"?"},
        {105, "Opravdu chcete smazat definici oděvu \"%s\"?"},
        {1000, "Bez vzoru"},
        {1001, "Proužek"},
        {1002, "Kostka"},
        {1003, "Puntík"},
        {1004, "Neznámý motiv"},
        {1016, "Neznámý oděv"},

        // Why a scanner gave up a scan, shown inside "Selhání skeneru (%s)".
        {1100, "uvízl papír"},
        {1101, "ve skeneru není předloha"},
        {1102, "skener je otevřený"},
        {1103, "chyba spojení se skenerem"},
        {1104, "skener vtáhl více listů najednou"},
        {1105, "skener není připojen"},
        {1106, "neznámá příčina"},

        // Messages of the exceptions: the type's base id plus the code.
        {65000, "Neznámá vyjímka"},
        {65001, "Operace byla přerušena"},
        {65002, "Funkce zatím není implementována"},
        {65003, "Neznámá chyba"},
        {65004, "Došla paměť"},
        {65005, "Došly systémové zdroje"},
        {65006, "Nelze otevřít soubor %s"},
        {65007, "Nelze číst ze souboru %s"},
        {65008, "Nelze psát do souboru %s"},
        {65009, "Špatný formát dat"},
        {65010, "Čas pro operaci vypršel"},
        {65011, "Špatná systémová konfigurace"},
        {65012, "Dělení nulou"},
        {65013, "Matice je singulární"},
        {65014, "Iterace nekonverguje"},
        {65015, "Položka %s ze sekce [%s] nebyla nalezena v souboru %s"},
        {65016, "Položka %s ze sekce [%s] v souboru %s je špatná"},
        {65017, "Položka %s ze sekce [%s] v souboru %s obsahuje neočekáváná data"},
        {65018, "Data nebyla nalezena ve zpracovávaném textu"},
        {65019, "Špatná data nalezena ve zpracovávaném textu"},
        {65020, "Neočekáváná data nalezena ve zpracovávaném textu"},
        {65021, "Skener nebo jeho ovladač není instalován"},
        {65022, "Skener je právě používán jinou aplikací"},
        {65023, "Selhání skeneru (%s)"},
        {65024, "Požadované nastavení (%s) není tímto skenerem podporováno"},
        {65025, "Vnitřní chyba ovladače skeneru (%s)"},
        {65026, "Příliš malý vstupní obrázek"},
        {65027, "Nelze nalézt určující barvu"},
    };
    return entries;
}

} // namespace

std::string loadString(int id)
{
    const auto& entries = table();
    const auto found = entries.find(id);
    return found == entries.end() ? std::string() : std::string(found->second);
}

} // namespace vestiscop::foundation
