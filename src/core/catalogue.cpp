#include "catalogue.h"

#include "inifile.h"
#include "numtext.h"

namespace vandoral {

TlisteSpectro ListeSpectro;

const std::vector<std::string> &BuiltInCatalogueLines()
{
    static const std::vector<std::string> lines = {
        "[K2]",        "Nom=Orbis K2",     "lmin=330", "lmax=800",  "code=6004", "absMax=2.5",
        "[K3]",        "Nom=Orbis K3",     "lmin=330", "lmax=800",  "code=6006", "absMax=2.5",
        "[M15]",       "Nom=Orbis M15",    "lmin=325", "lmax=999",  "code=6011", "absMax=3",
        "[M16]",       "Nom=Orbis M16",    "lmin=200", "lmax=999",  "code=6012", "absMax=3",
        "[P25]",       "Nom=Orbis P25",    "lmin=325", "lmax=1100", "code=6021", "absMax=3",
        "[P26]",       "Nom=Orbis P26",    "lmin=190", "lmax=1100", "code=6022", "absMax=3",
        "[T300]",      "Nom=KTX T300",     "lmin=330", "lmax=800",  "code=7004", "absMax=2.5",
        "[W5000]",     "Nom=KTX W5000",    "lmin=330", "lmax=800",  "code=7006", "absMax=2.5",
        "[LUMI TRI]",  "Nom=LUMIRANT TRI", "lmin=330", "lmax=800",  "code=4104", "absMax=2.5",
        "[LUMI MAXI]", "Nom=LUMIRANT +",   "lmin=330", "lmax=800",  "code=4106", "absMax=2.5",
    };
    return lines;
}

namespace {

// Model sections: sections with a non-empty code and a sensible range (a
// wild range would carry the scan's wavelengths past any integer).
void ReadEntries(TlisteSpectro &list, const IniImage &ini)
{
    for (const auto &section : ini.Sections()) {
        auto entry = std::make_unique<TspectroPhoto>();
        entry->code = Cut(ini.ReadString(section, "code", ""), ShortTextLimit);
        const std::int64_t lmin = ini.ReadInteger(section, "lmin", 330);
        const std::int64_t lmax = ini.ReadInteger(section, "lmax", 800);
        if (!(0 < lmin && lmin < lmax && lmax <= MaxCatalogueLambda))
            continue;
        entry->lmin = static_cast<int>(lmin);
        entry->lmax = static_cast<int>(lmax);
        entry->nom = Cut(ini.ReadString(section, "nom", ""), ShortTextLimit);
        entry->absMax = ini.ReadFloat(section, "absMax", 2.0);
        list.Add(std::move(entry));
    }
}

bool HasModel(const TlisteSpectro &list)
{
    for (int i = 0; i < list.Count(); ++i)
        if (!list.Item(i).code.empty())
            return true;
    return false;
}

} // namespace

void LoadCatalogue(TlisteSpectro &list, const std::string &path)
{
    IniImage ini;
    if (!path.empty())
        ini.Load(path);
    LoadCatalogueFrom(list, ini);
}

void LoadCatalogueFrom(TlisteSpectro &list, const IniImage &ini)
{
    list.Clear();
    list.fromBuiltIn = false;
    ReadEntries(list, ini);
    // No model in the file (none yet, lost, or unreadable): the built-in
    // models serve, and the next save of the settings writes them.
    if (!HasModel(list)) {
        std::string text;
        for (const auto &line : BuiltInCatalogueLines())
            text += line + "\n";
        IniImage builtIn;
        builtIn.Parse(text);
        list.Clear();
        ReadEntries(list, builtIn);
        list.fromBuiltIn = true;
    }
}

void LoadCatalogue(const std::string &path)
{
    LoadCatalogue(ListeSpectro, path);
}

void AddBuiltInSections(IniImage &ini)
{
    const auto &lines = BuiltInCatalogueLines();
    for (std::size_t i = 0; i + 6 <= lines.size(); i += 6) {
        const std::string &header = lines[i];
        const std::string name = header.substr(1, header.size() - 2);
        ini.AddSectionLines(name, {lines.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   lines.begin() + static_cast<std::ptrdiff_t>(i) + 6});
    }
}

} // namespace vandoral
