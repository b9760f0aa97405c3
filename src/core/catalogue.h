// The catalogue of instrument models, read from the settings file.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vandoral {

class IniImage;

struct TspectroPhoto {
    std::string nom;   // display name, at most 20 bytes
    int lmin = 330;    // first wavelength of a scan, nm
    int lmax = 800;    // last wavelength, nm
    std::string code;  // code reported by the instrument, at most 20 bytes
    double absMax = 2.0;
};

// Ordered list owning its entries.
class TlisteSpectro {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    const TspectroPhoto &Item(int i) const { return *items_.at(static_cast<std::size_t>(i)); }
    void Add(std::unique_ptr<TspectroPhoto> entry) { items_.push_back(std::move(entry)); }
    void Clear() { items_.clear(); }

    // The entries came from the built-in lines (the file held no model).
    bool fromBuiltIn = false;

private:
    std::vector<std::unique_ptr<TspectroPhoto>> items_;
};

extern TlisteSpectro ListeSpectro;

// The 60 built-in lines: ten sections of six lines.
const std::vector<std::string> &BuiltInCatalogueLines();

// Highest wavelength a catalogue entry may name, nm.
constexpr int MaxCatalogueLambda = 10000;

// Fills `list` from the settings file at `path`: the entries whose range
// satisfies 0 < lmin < lmax <= MaxCatalogueLambda. The built-in lines serve
// when the file is absent or unreadable, or names no model (no section with
// a code).
void LoadCatalogue(TlisteSpectro &list, const std::string &path);
// The same rules on an image of the file.
void LoadCatalogueFrom(TlisteSpectro &list, const IniImage &ini);
// The global catalogue.
void LoadCatalogue(const std::string &path);

// Adds the built-in model sections the image lacks, so that a catalogue that
// came from the built-in lines is kept in the file written at exit.
void AddBuiltInSections(IniImage &ini);

} // namespace vandoral
