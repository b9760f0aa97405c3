// The data blocks for the clipboard and the analysis program, compared byte
// for byte with fixture files.
#include "exportblock.h"
#include "samplegraphs.h"
#include "separator.h"

#include "coretest.h"

using namespace vandoral;

TEST_CASE("blocks")
{
    struct Row {
        std::string tag;
        int kind;
        char sep;
        bool tabvista;
        bool two;
        std::string symbol;
        std::string unit;
        std::string value;
        std::string fixture;
    };
    std::vector<Row> rows;

    rows.push_back({"spectrum to clipboard, comma", int(MeasureMode::Spectre), ',', false, false, std::string("k"), std::string("s-1"), std::string("0,05"), "lambda-clip-comma.txt"});
    rows.push_back({"spectrum to clipboard, point", int(MeasureMode::Spectre), '.', false, false, std::string(), std::string(), std::string(), "lambda-clip-point.txt"});
    rows.push_back({"spectrum to Tabvista, comma", int(MeasureMode::Spectre), ',', true, false, std::string("k"), std::string("s-1"), std::string("0,05"), "lambda-tabvista-comma.txt"});
    rows.push_back({"kinetics, two curves, no symbol", int(MeasureMode::Cinetique), '.', true, true, std::string(), std::string("s"), std::string("1"), "cinetique2-tabvista-point.txt"});
    rows.push_back({"kinetics, one curve, clipboard", int(MeasureMode::Cinetique), ',', false, false, std::string(), std::string(), std::string(), "cinetique1-clip-comma.txt"});
    rows.push_back({"Beer-Lambert to clipboard", int(MeasureMode::Beer), ',', false, false, std::string(), std::string(), std::string(), "beer-clip-comma.txt"});
    rows.push_back({"Beer-Lambert to Tabvista", int(MeasureMode::Beer), '.', true, false, std::string("k"), std::string("L/mol"), std::string("500"), "beer-tabvista-point.txt"});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const int &kind = row.kind;
        const char &sep = row.sep;
        const bool &tabvista = row.tabvista;
        const bool &two = row.two;
        const std::string &symbol = row.symbol;
        const std::string &unit = row.unit;
        const std::string &value = row.value;
        const std::string &fixture = row.fixture;
        SeparatorScope scope(sep);
        const Tgraphe g = kind == int(MeasureMode::Spectre) ? SampleSpectrum() : kind == int(MeasureMode::Cinetique) ? SampleKinetics() : SampleBeer();
        const TDataSeries d = DataOf(g);
        BlockRequest r;
        r.kind = MeasureMode(kind);
        r.data = &d;
        r.style = StyleOf(g);
        r.twoCurves = two;
        r.versTabvista = tabvista;
        r.programPath = "/opt/vandoral/vandoral";
        r.dateTime = "10/12/2026 14:05:09";
        PageInfo page;
        page.symbol = symbol;
        page.unit = unit;
        page.value = value;
        page.signif = "not exported";
        page.comment = "Essai n\xB0" "1";
        REQUIRE(JoinBlock(BuildBlock(r, page)) == FixtureBytes("core/fixtures/" + fixture));
    }
}

TEST_CASE("ligneMapping")
{
    REQUIRE(LigneValue(0) == std::string("2"));
    REQUIRE(LigneValue(1) == std::string("2"));
    REQUIRE(LigneValue(2) == std::string("1"));
    REQUIRE(LigneValue(3) == std::string("3"));
}

TEST_CASE("longTextsAreCut")
{
    const Tgraphe g = SampleKinetics();
    const TDataSeries d = DataOf(g);
    BlockRequest r;
    r.kind = MeasureMode::Cinetique;
    r.data = &d;
    r.style = StyleOf(g);
    r.versTabvista = true;
    PageInfo page;
    page.comment = std::string(300, 'c');
    page.symbol = "abcdefghijk"; // 8 characters at most
    const auto lines = BuildBlock(r, page);
    REQUIRE(lines[2].size() == std::size_t(255));
    const auto it = std::find(lines.begin(), lines.end(), std::string("abcdefgh"));
    REQUIRE(it != lines.end());
    REQUIRE(it[-1].empty());
}


TEST_CASE("two names of 20 characters keep their whole line")
{
    // Each name is cut to 20 characters; the two and their TAB make 41.
    struct Row {
        std::string tag;
        std::size_t nameLength;
    };
    std::vector<Row> rows;
    rows.push_back({"20 characters each", 20});
    rows.push_back({"25 characters each, cut to 20", 25});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        // The Beer-Lambert block carries the data's own names.
        TDataSeries d = DataOf(SampleBeer());
        d.XAxis.Name = std::string(row.nameLength, 'x');
        d.YAxis.Name = std::string(row.nameLength, 'y');
        BlockRequest r;
        r.kind = MeasureMode::Beer;
        r.data = &d;
        const auto lines = BuildBlock(r, PageInfo{});
        const std::string whole = std::string(20, 'x') + "\t" + std::string(20, 'y');
        REQUIRE(whole.size() == 41);
        REQUIRE(std::find(lines.begin(), lines.end(), whole) != lines.end());
    }
}
