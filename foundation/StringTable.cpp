// SPDX-License-Identifier: GPL-3.0-or-later
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
        // A pattern told as a guess ("Asi proužek, možná motiv"), the kinds
        // in that sentence's form (+ PatternKind code), and the colour of a
        // mottled yarn mix ("šedý melír").
        {1020, "bez vzoru"},
        {1021, "proužek"},
        {1022, "kostka"},
        {1023, "puntík"},
        {1024, "motiv"},
        {1025, "Asi %s, možná %s"},
        {1026, "%s melír"},
        // A colour near the border of two basic terms: "tmavě modrá, skoro
        // černá", "modrá do zelena".
        {1027, "%s, skoro %s"},
        {1028, "%s do %s"},

        // Why a scanner gave up a scan, shown inside "Selhání skeneru (%s)".
        {1100, "uvízl papír"},
        {1101, "ve skeneru není předloha"},
        {1102, "skener je otevřený"},
        {1103, "chyba spojení se skenerem"},
        {1104, "skener vtáhl více listů najednou"},
        {1105, "skener není připojen"},
        {1106, "neznámá příčina"},

        // What the window says to a screen reader besides its fields: the
        // scanning state, the catalogue's confirmations, the naming dialog's
        // button, the group of views and the state of a picture being opened.
        {3000, "Skenuji…"},
        {3001, "Skenování zrušeno"},
        {3002, "Přidáno: %s"},
        {3003, "Opraveno: %s"},
        {3004, "Vymazáno: %s"},
        {3005, "Zrušit"},
        {3006, "Vzor: %s"},
        {3007, "Zobrazení"},
        {3008, "Otevírám obrázek…"},
        // The window started where there is no desktop to show it on.
        {3009, "Vestiscop potřebuje grafické prostředí (není nastaveno DISPLAY ani WAYLAND_DISPLAY).\n"
               "Bez něj lze použít program vestiscop-cli."},

        // The command-line program's help and misuse texts (ids in
        // app/cli/CliTextIds.h).
        {2000, "Použití: vestiscop-cli PŘÍKAZ [PARAMETRY]"},
        {2001, "Popíše oděv na obrázku BMP nebo PNG a spravuje katalog pojmenovaných oděvů.\n"
               "Pracuje ve stejném datovém adresáři jako okno programu: čte vestiscop.cfg,\n"
               "zapisuje do záznamu a mění tentýž katalog oděvů."},
        {2002, "Příkazy:"},
        {2003, "Návratový kód: 0 úspěch, 1 chyba příkazu, 2 chyba při spuštění, 64 špatné použití."},
        {2004, "Neznámý příkaz %s"},
        {2005, "Špatné parametry příkazu %s"},
        {2006, "Soubor %s není obrázek BMP ani PNG"},
        {2007, "Oděv \"%s\" v katalogu není"},
        {2008, "Nápovědu vypíše vestiscop-cli --help"},
        {2009, "Chybí příkaz"},
        {2010, "popíše barvy, vzor a rozpoznaný oděv na obrázcích"},
        {2011, "vypíše definice oděvů: číslo, tabulátor, název"},
        {2012, "přidá oděv z obrázku do katalogu pod názvem"},
        {2013, "opraví definici oděvu podle obrázku"},
        {2014, "smaže definici oděvu"},
        {2015, "vypíše tuto nápovědu"},
        {2016, "vypíše verzi programu"},
        {2017, "Neznámá volba %s"},
        {2020, "nasnímá oděv skenerem a popíše jeho barvy, vzor a rozpoznaný oděv"},
        // Garment signatures beside the catalogue (log lines at start-up).
        {3250, "Soubor podpisů oděvů %s je z novější verze programu; oděvy se rozpoznávají jen podle svých dvou barev"},
        {3251, "Soubor podpisů oděvů %s je ze starší verze programu; podpisy se doplní, až se oděvy přidají nebo opraví"},
        {3252, "Soubor podpisů oděvů %s je poškozený; podpisy se doplní, až se oděvy přidají nebo opraví"},
        {3253, "V souboru podpisů oděvů %s je poškozených záznamů: %d; tyto oděvy se rozpoznávají podle svých dvou barev"},
        {3254, "Oděvů bez platného podpisu: %d; rozpoznávají se podle svých dvou barev, podpis dostanou při opravě"},
        // The improved analysis that failed on a scan (log line), and the
        // words for a failure without words of the image library's.
        {3400, "Vylepšený rozbor obrázku selhal (%s); barvy a vzor jsou ze základního rozboru"},
        {3401, "nenašel žádnou barvu"},
        // A table of basic terms (BorderTerms) that cannot serve (log line
        // at start-up): the colours are then told with one name each.
        {3402, "Tabulku základních barev %s nelze použít (%s); barvy se říkají bez druhého slova"},
        {3403, "neuvádí tytéž barvy jako Definitions"},

        // Scanners: ScannerRefused's messages (3100 + code), then the log
        // lines of a scan and the command line's interrupted scan.
        {3100, "Ke skeneru nemáte přístup"},
        {3101, "Skener neumí snímat barevně"},
        {3102, "Skener snímá v rozlišení %s dpi, obrázek je převzorkován na %s dpi"},
        {3103, "Skener se zahříval %d s"},
        {3104, "Skenování přerušeno"},
        {3105, "Proměnná prostředí %s má nepoužitelnou hodnotu „%s“; platí %s"},

        // Choosing and seeding the data directory (both programs), then the
        // command-line program's options, per-command help and refusals.
        {2021, "Nelze vytvořit adresář %s"},
        {2022, "Nelze přejít do adresáře %s"},
        {2023, "Nelze určit datový adresář: není nastavena proměnná HOME ani XDG_DATA_HOME"},
        {2024, "Nebyla nalezena data dodaná s programem (vestiscop.cfg); nastavte VESTISCOP_SHIPPED_DATA "
               "nebo zvolte adresář volbou -C"},
        {2025, "Použití: vestiscop-cli [-C ADRESÁŘ] %s"},
        {2026, "pracuje v ADRESÁŘI; bez této volby v aktuálním adresáři, je-li v něm vestiscop.cfg,\n"
               "                                 jinak v ~/.local/share/vestiscop, který při prvním použití připraví"},
        {2027, "Za volbou %s chybí adresář"},
        {2028, "vypíše nápovědu k příkazu"},
        {2029, "Nápovědu k příkazu vypíše vestiscop-cli %s --help"},
        {2030, "SOUBOR je obrázek BMP nebo PNG; pozná se podle svého obsahu, přípona nerozhoduje.\n"
               "Místo SOUBORU lze napsat - a obrázek se čte ze standardního vstupu (jen jednou).\n"
               "U každého obrázku vypíše řádky barev, vzor a rozpoznaný oděv; u více obrázků\n"
               "předchází každému bloku řádek \"SOUBOR:\" a bloky odděluje prázdný řádek.\n"
               "Soubor, který nelze přečíst, je ohlášen a ostatní se popíší dál (návratový kód 1).\n\n"
               "  --json  každý obrázek jako jeden řádek JSON (popis v manuálové stránce vestiscop-cli)"},
        {2031, "Použije první skener, který SANE nabídne, nebo ten z proměnné SANE_DEFAULT_DEVICE;\n"
               "na odpověď skeneru čeká nejvýše VESTISCOP_SCAN_TIMEOUT sekund (bez ní 120).\n"
               "Je-li v nastavení SaveImage zapnuto, uloží nasnímaný obrázek.\n\n"
               "  --json  výsledek jako jeden řádek JSON"},
        {2032, "Každý pojmenovaný oděv na jednom řádku: číslo definice, tabulátor, název.\n\n"
               "  --json  seznam jako jeden řádek JSON"},
        {2033, "NÁZEV smí mít nejvýše 64 znaků, jen takové, které katalog umí uložit (čeština ano,\n"
               "emoji ne), a žádný konec řádku; jinak je odmítnut a nic se neuloží.\n"
               "Místo SOUBORU lze napsat - a obrázek se čte ze standardního vstupu.\n"
               "Vypíše novou definici: číslo, tabulátor, název.\n\n"
               "  --json  výsledek jako jeden řádek JSON"},
        {2034, "Opraví první definici s přesně tímto NÁZVEM. Místo SOUBORU lze napsat -\n"
               "a obrázek se čte ze standardního vstupu.\n\n"
               "  --json  výsledek jako jeden řádek JSON"},
        {2035, "Smaže první definici s přesně tímto NÁZVEM.\n\n"
               "  --json  výsledek jako jeden řádek JSON"},
        {2036, "Standardní vstup lze přečíst jen jednou"},

        // Garment names the catalogue would have to change, refused
        // (catalog/GarmentName.cpp).
        {3300, "Název oděvu nesmí obsahovat konec řádku, tabulátor ani jiný řídicí znak"},
        {3301, "Název oděvu obsahuje znak %s, který katalog neumí uložit"},
        {3302, "Název oděvu může mít nejvýše %d znaků"},
        {3303, "Název oděvu není platný text v kódování UTF-8"},

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
