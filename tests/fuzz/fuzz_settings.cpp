// Fuzz target: any bytes as the settings file. The reading rules hold for
// every field, the catalogue keeps only sensible models and always has one,
// and what is written back reads back the same.
#include "fuzzcheck.h"
#include "catalogue.h"
#include "driver.h"
#include "inifile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace vandoral;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    IniImage ini;
    ini.Parse(std::string(reinterpret_cast<const char *>(data), size));

    TlisteSpectro list;
    LoadCatalogueFrom(list, ini);
    bool model = false;
    for (int i = 0; i < list.Count(); ++i) {
        const TspectroPhoto &e = list.Item(i);
        Check(0 < e.lmin && e.lmin < e.lmax && e.lmax <= MaxCatalogueLambda);
        Check(e.nom.size() <= 20 && e.code.size() <= 20);
        model = model || !e.code.empty();
    }
    Check(model);

    TspectroVandoral s;
    s.Catalogue = &list;
    s.LoadSettingsFrom(ini);
    Check(s.Deltat >= 8);
    Check(s.Maxi >= 0.001);
    Check(!s.Nom.empty() && s.Nom.size() <= 20 && s.Unite.size() <= 20 && s.Signif.size() <= 255);
    Check(std::isfinite(s.Mini) && std::isfinite(s.Maxi));

    // Written back and read again: the same settings, one line per key.
    IniImage out = ini;
    s.WriteSettingsTo(out);
    IniImage back;
    back.Parse(out.Serialize());
    TspectroVandoral r;
    r.LoadSettingsFrom(back);
    Check(r.Com == s.Com && r.Deltat == s.Deltat && r.Nombre == s.Nombre);
    Check(r.Lambda == s.Lambda && r.LambdaBis == s.LambdaBis && r.LambdaBeer == s.LambdaBeer);
    Check(r.Actif == s.Actif);
    Check(std::fabs(r.Maxi - s.Maxi) <= 1e-13 * std::fabs(s.Maxi));
    Check(std::fabs(r.Mini - s.Mini) <= 1e-13 * std::fabs(s.Mini) + 1e-300);
    TlisteSpectro again;
    LoadCatalogueFrom(again, back);
    Check(again.Count() >= 1);
    return 0;
}
