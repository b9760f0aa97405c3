// The Beer-Lambert line through the origin and its precision, as tables.
#include "beerfit.h"
#include "numtext.h"
#include "separator.h"

#include "coretest.h"

#include <cmath>

using namespace vandoral;

TEST_CASE("fit")
{
    struct Row {
        std::string tag;
        std::vector<double> c;
        std::vector<double> a;
        double slope;
        std::string text;
    };
    std::vector<Row> rows;

    rows.push_back({"three standards", std::vector<double>{1, 2, 3}, std::vector<double>{0.10, 0.21, 0.29}, 0.1, std::string("Pr\xE9" "cision de l'ajustement sur A : 0,008")});
    rows.push_back({"centre of gravity, not least squares", std::vector<double>{1, 4}, std::vector<double>{0.2, 0.5}, 0.7 / 5, std::string("Pr\xE9" "cision de l'ajustement sur A : 0,06")});
    rows.push_back({"zero concentration and non-positive absorbance left out", std::vector<double>{0, 1e-9, 1, 2, 5}, std::vector<double>{0.3, 0.3, 0.1, 0.2, 0.0}, 0.1, std::string("Pr\xE9" "cision de l'ajustement sur A : 0")});
    rows.push_back({"tiny absorbance counts for the slope only", std::vector<double>{1, 2, 10}, std::vector<double>{0.1, 0.2, 0.0005}, 0.3005 / 13, std::string("Pr\xE9" "cision de l'ajustement sur A : 0,12")});
    rows.push_back({"no standard qualifies", std::vector<double>{0, 1}, std::vector<double>{0.5, -0.1}, MissingValue, std::string()});
    rows.push_back({"nothing above 0.001: no precision", std::vector<double>{1, 2}, std::vector<double>{0.0005, 0.001}, 0.0015 / 3, std::string()});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::vector<double> &c = row.c;
        const std::vector<double> &a = row.a;
        const double &slope = row.slope;
        SeparatorScope comma(',');
        const BeerFit f = FitThroughOrigin(c.data(), a.data(), int(c.size()));
        if (slope == MissingValue)
            REQUIRE(f.Slope == MissingValue);
        else
            REQUIRE_MESSAGE(std::fabs(f.Slope - slope) < 1e-12, Num(f.Slope));
        REQUIRE(PrecisionText(f) == row.text);
    }
}

