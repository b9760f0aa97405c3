// JCAMP-DX spectra: each ordinate encoding of the standard, units, blocks,
// the file written and read back, and damaged files refused with a message.
#include "jcampdx.h"

#include "coretest.h"

using namespace vandoral;

namespace {

std::string Header(const std::string &extra = std::string())
{
    return "##TITLE=exemple\r\n##JCAMP-DX=4.24\r\n##DATA TYPE=UV/VIS SPECTRUM\r\n##XUNITS=NANOMETERS\r\n"
           "##YUNITS=ABSORBANCE\r\n##XFACTOR=1\r\n##YFACTOR=0.001\r\n"
           + extra;
}

// The worked example: 100 110 120 120 120 115 118 at 500..506 nm.
std::string Example(const std::string &lines)
{
    return Header("##FIRSTX=500\r\n##LASTX=506\r\n##NPOINTS=7\r\n##XYDATA=(X++(Y..Y))\r\n") + lines + "##END=\r\n";
}

std::vector<double> ExampleValues()
{
    return {0.100, 0.110, 0.120, 0.120, 0.120, 0.115, 0.118};
}

JcampSpectrum Read(const std::string &bytes)
{
    JcampSpectrum s;
    std::string error;
    INFO(bytes);
    REQUIRE_MESSAGE(ReadJcamp(bytes, s, &error), error);
    return s;
}

std::string Refusal(const std::string &bytes)
{
    JcampSpectrum s;
    std::string error;
    CHECK_FALSE(ReadJcamp(bytes, s, &error));
    CHECK(s.points.Empty());
    return error;
}

void CheckValues(const TDataSeries &d, double x0, double dx, const std::vector<double> &ys)
{
    REQUIRE(d.Count() == int(ys.size()));
    for (int i = 0; i < d.Count(); ++i) {
        INFO("point " << i);
        CHECK(d.X[i] == doctest::Approx(x0 + i * dx));
        if (ys[i] == MissingValue)
            CHECK(d.A[i] == MissingValue);
        else
            CHECK(d.A[i] == doctest::Approx(ys[i]).epsilon(1e-12));
    }
}

} // namespace

TEST_CASE("every ordinate encoding of the standard reads the same spectrum")
{
    const struct {
        const char *form;
        const char *lines;
    } rows[] = {
        {"AFFN", "500 100 110 120 120 120 115 118\r\n"},
        {"AFFN, commas", "500,100,110,120,120,120,115,118\r\n"},
        {"AFFN, exponents", "500 1.00E2 1.1e+2 120 120 120 115 1.18E02\r\n"},
        {"AFFN, two lines", "500 100 110 120 120\r\n504 120 115 118\r\n"},
        {"PAC", "500+100+110+120+120 120+115+118\r\n"},
        {"SQZ", "500A00A10A20A20A20A15A18\r\n"},
        {"DIF", "500A00J0J0%%nL\r\n"},
        {"DIF/DUP", "500A00J0T%TnL\r\n"},
        {"DIF, Y check", "500A00J0T%Tn\r\n505A15L\r\n"},
        {"SQZ/DUP", "500A00A10A20UA15A18\r\n"},
    };
    for (const auto &r : rows) {
        INFO(std::string(r.form));
        const JcampSpectrum s = Read(Example(r.lines));
        CHECK(s.title == "exemple");
        CheckValues(s.points, 500, 1, ExampleValues());
    }
}

TEST_CASE("abscissas, units and tables")
{
    SUBCASE("descending, a step of 2 nm")
    {
        const JcampSpectrum s = Read(Header("##FIRSTX=510\r\n##LASTX=500\r\n##NPOINTS=6\r\n##XYDATA=(X++(Y..Y))\r\n"
                                            "510 1 2 3\r\n504 4 5 6\r\n##END=\r\n"));
        CheckValues(s.points, 510, -2, {0.001, 0.002, 0.003, 0.004, 0.005, 0.006});
    }
    SUBCASE("micrometres")
    {
        const JcampSpectrum s = Read("##TITLE=um\n##JCAMP-DX=5.01\n##DATATYPE=UV-VIS SPECTRUM\n##XUNITS=MICROMETERS\n"
                                     "##YUNITS=ABSORBANCE\n##FIRSTX=0.4\n##LASTX=0.402\n##NPOINTS=3\n##XFACTOR=0.001\n"
                                     "##YFACTOR=1\n##XYDATA=(X++(Y..Y))\n400 0.5 0.6 0.7\n##END=\n");
        CheckValues(s.points, 400, 1, {0.5, 0.6, 0.7});
    }
    SUBCASE("transmittance as a fraction, a missing ordinate")
    {
        const JcampSpectrum s = Read("##TITLE=t\n##JCAMP-DX=4.24\n##DATA TYPE=UV/VISIBLE SPECTRUM\n##XUNITS=NANOMETERS\n"
                                     "##YUNITS=TRANSMITTANCE\n##FIRSTX=400\n##LASTX=403\n##NPOINTS=4\n##XFACTOR=1\n"
                                     "##YFACTOR=1\n##XYDATA=(X++(Y..Y))\n400 1 0.1 ? 0.01\n##END=\n");
        CheckValues(s.points, 400, 1, {0, 1, MissingValue, 2});
    }
    SUBCASE("(XY..XY) pairs, uneven, comments and private labels")
    {
        const JcampSpectrum s = Read("##TITLE=pts $$ a comment\n##JCAMP-DX=5.00\n##$VENDOR=x\n##XUNITS=NANOMETERS\n"
                                     "##YUNITS=ABSORBANCE\n##XFACTOR=1\n##YFACTOR=1\n##NPOINTS=3\n"
                                     "##XYPOINTS=(XY..XY)\n400, 0.5; 401.5, 0.25\n405 ?\n##END=\n");
        REQUIRE(s.points.Count() == 3);
        CHECK(s.title == "pts");
        CHECK(s.points.X[1] == 401.5);
        CHECK(s.points.A[1] == 0.25);
        CHECK(s.points.A[2] == MissingValue);
    }
    SUBCASE("several blocks: the first UV/visible one")
    {
        const JcampSpectrum s = Read("##TITLE=lien\n##JCAMP-DX=5.01\n##DATA TYPE=LINK\n##BLOCKS=2\n"
                                     "##TITLE=ir\n##JCAMP-DX=5.01\n##DATA TYPE=INFRARED SPECTRUM\n##XUNITS=1/CM\n"
                                     "##YUNITS=ABSORBANCE\n##FIRSTX=1000\n##LASTX=1001\n##NPOINTS=2\n"
                                     "##XYDATA=(X++(Y..Y))\n1000 1 2\n##END=\n"
                                     "##TITLE=uv\n##JCAMP-DX=5.01\n##DATA TYPE=UV/VIS SPECTRUM\n##XUNITS=NANOMETERS\n"
                                     "##YUNITS=ABSORBANCE\n##FIRSTX=600\n##LASTX=601\n##NPOINTS=2\n##YFACTOR=0.5\n"
                                     "##XYDATA=(X++(Y..Y))\n600 1 2\n##END=\n##END=\n");
        CHECK(s.title == "uv");
        CheckValues(s.points, 600, 1, {0.5, 1.0});
    }
}

TEST_CASE("a spectrum written then read gives the instrument's values")
{
    const struct {
        const char *name;
        double x0, dx;
        int n;
    } rows[] = {{"the instrument's 1 nm", 330, 1, 471}, {"2 nm", 400, 2, 30}, {"descending, half steps", 900, -0.5, 1501},
                {"one point", 500, 1, 1}};
    for (const auto &r : rows) {
        INFO(std::string(r.name));
        TDataSeries d;
        std::vector<double> ys;
        for (int i = 0; i < r.n; ++i) {
            const double a = i % 97 == 5 ? MissingValue : std::round(1000 * (1.5 * std::sin(i / 40.0) + 0.2)) / 1000;
            d.Append(r.x0 + i * r.dx, a);
            ys.push_back(a);
        }
        const std::string text = WriteJcamp(d, {"essai", "Vandoral 6004", "26/12/11", "10:12:05"});
        CHECK(text.rfind("##TITLE=essai\r\n##JCAMP-DX=4.24\r\n", 0) == 0);
        CHECK(text.find("##SPECTROMETER/DATA SYSTEM=Vandoral 6004\r\n") != std::string::npos);
        CHECK(text.find("##NPOINTS=" + std::to_string(r.n) + "\r\n") != std::string::npos);
        CHECK(text.size() >= 8);
        CHECK(text.compare(text.size() - 8, 8, "##END=\r\n") == 0);
        std::size_t start = 0, longest = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            longest = std::max(longest, end - start);
        CHECK(longest <= 80);
        const JcampSpectrum s = Read(text);
        CHECK(s.title == "essai");
        REQUIRE(s.points.Count() == r.n);
        for (int i = 0; i < r.n; ++i) {
            CHECK(s.points.X[i] == doctest::Approx(r.x0 + i * r.dx));
            if (ys[i] == MissingValue)
                CHECK(s.points.A[i] == MissingValue);
            else
                CHECK(std::fabs(s.points.A[i] - ys[i]) < 1e-9);
        }
    }
    SUBCASE("uneven wavelengths: pairs")
    {
        TDataSeries d;
        d.Append(400, 0.1);
        d.Append(401, 0.2);
        d.Append(405, MissingValue);
        const std::string text = WriteJcamp(d, {});
        CHECK(text.find("##XYPOINTS=(XY..XY)") != std::string::npos);
        CHECK(text.rfind("##TITLE=Spectre\r\n", 0) == 0);
        const JcampSpectrum s = Read(text);
        REQUIRE(s.points.Count() == 3);
        CHECK(s.points.X[2] == 405);
        CHECK(s.points.A[2] == MissingValue);
        CHECK(std::fabs(s.points.A[1] - 0.2) < 1e-9);
    }
}

TEST_CASE("damaged files are refused with a message, never a crash")
{
    const struct {
        const char *name;
        std::string bytes;
        const char *says;
    } rows[] = {
        {"empty", "", "vide"},
        {"binary", std::string("\x00\x01\xFF##TITLE", 10), "binaires"},
        {"no ##END=", Example("500 100 110 120 120 120 115 118\r\n").substr(0, 150), ""},
        {"NPOINTS disagrees", Header("##FIRSTX=500\r\n##LASTX=506\r\n##NPOINTS=7\r\n##XYDATA=(X++(Y..Y))\r\n")
                                  + "500 1 2 3\r\n##END=\r\n",
         "NPOINTS=7"},
        {"Y check wrong", Example("500A00J0T%Tn\r\n505A16L\r\n"), "contr\xF4le"},
        {"letters in numbers", Example("500 100 1x0 120\r\n"), "Ligne 12"},
        {"a huge number", Example("500 1" + std::string(400, '0') + " 1 1 1 1 1 1\r\n"), "illisible"},
        {"huge DUP count", Example("500A00J0s99999999\r\n"), "1501"},
        {"unknown unit", "##TITLE=x\n##YUNITS=KUBELKA-MUNK\n##FIRSTX=500\n##LASTX=501\n##NPOINTS=2\n"
                         "##XYDATA=(X++(Y..Y))\n500 1 2\n##END=\n",
         "KUBELKA-MUNK"},
        {"percent transmittance", "##TITLE=x\n##YUNITS=TRANSMITTANCE\n##FIRSTX=500\n##LASTX=501\n##NPOINTS=2\n"
                                  "##XYDATA=(X++(Y..Y))\n500 50 60\n##END=\n",
         "fraction"},
        {"infrared only", "##TITLE=x\n##DATA TYPE=INFRARED SPECTRUM\n##XUNITS=1/CM\n##FIRSTX=500\n##LASTX=501\n"
                          "##NPOINTS=2\n##XYDATA=(X++(Y..Y))\n500 1 2\n##END=\n",
         "INFRARED"},
        {"wavelength out of range", "##TITLE=x\n##FIRSTX=50\n##LASTX=51\n##NPOINTS=2\n##XYDATA=(X++(Y..Y))\n50 1 2\n##END=\n",
         "100-3000"},
        {"too many points", "##TITLE=x\n##FIRSTX=200\n##LASTX=1702\n##NPOINTS=1503\n##XYDATA=(X++(Y..Y))\n200 1\n##END=\n",
         "1501"},
        {"DIF first", Example("500J0\r\n"), "Ligne 12"},
        {"shifted line", Example("500 100 110 120\r\n510 120 120 115 118\r\n"), "abscisse"},
        {"not JCAMP", "Lambda\tA\r\n500\t0,1\r\n", "##TITLE="},
    };
    for (const auto &r : rows) {
        INFO(std::string(r.name));
        const std::string error = Refusal(r.bytes);
        CHECK_FALSE(error.empty());
        CHECK_MESSAGE(error.find(r.says) != std::string::npos, error);
    }
    SUBCASE("truncated at every line")
    {
        const std::string whole = Example("500A00J0T%Tn\r\n505A15L\r\n");
        for (std::size_t end = 0; (end = whole.find("\r\n", end)) != std::string::npos; end += 2) {
            if (end + 2 >= whole.size())
                break;
            JcampSpectrum s;
            std::string error;
            CHECK_FALSE(ReadJcamp(whole.substr(0, end + 2), s, &error));
            CHECK_FALSE(error.empty());
        }
    }
}
