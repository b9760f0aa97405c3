// The settings file read and written by the driver, and the model catalogue
// kept in the same file.
#include "catalogue.h"
#include "inifile.h"
#include "separator.h"
#include "driver.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace vandoral;

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void init();
    void defaultsWithoutFile();
    void readingRules_data();
    void readingRules();
    void saveOrderAndKeepsOtherSections();
    void realsSurviveAChangeOfSeparator();
    void catalogueBuiltIn();
    void catalogueFromFile();
    void builtInModelsOutliveTheFirstSave();
    void fileWithoutModelsUsesBuiltIn();
    void catalogueRanges_data();
    void catalogueRanges();
    void unreadableFileIsNeverWrittenOver();
    void lineBreaksInTypedTextsStayInTheirKey();

private:
    std::string Write(const std::string &text)
    {
        IniImage ini;
        ini.Parse(text);
        ini.Save(path_);
        return path_;
    }
    QTemporaryDir dir_;
    std::string path_;
    int counter_ = 0;
};

void TestSettings::init()
{
    path_ = dir_.filePath(QString("v%1.INI").arg(++counter_)).toStdString();
}

void TestSettings::defaultsWithoutFile()
{
    TspectroVandoral s(path_);
    QCOMPARE(s.Com, std::uint16_t(1));
    QCOMPARE(s.Mini, 0.0);
    QCOMPARE(s.Maxi, 0.01);
    QCOMPARE(s.Nom, std::string("c"));
    QCOMPARE(s.Unite, std::string("mol/L"));
    QCOMPARE(s.Signif, std::string("concentration"));
    QVERIFY(s.Actif);
    QCOMPARE(s.LambdaBeer, std::uint16_t(500));
    QCOMPARE(s.Deltat, std::uint16_t(8));
    QCOMPARE(s.Nombre, std::uint16_t(60));
    QCOMPARE(s.Duree(), 480u);
    QCOMPARE(s.LambdaMin, 330);
    QCOMPARE(s.LambdaMax, 800);
    QCOMPARE(s.AbsMax, 2.5);
    QVERIFY(!s.BinaryScan);
    QVERIFY(!FileExists(path_)); // reading never creates the file
}

void TestSettings::readingRules_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Maxi 0 reads 0.001") << QByteArray("Beer") << QByteArray("Maxi") << QByteArray("0") << "Maxi" << "0.001";
    QTest::newRow("Maxi not a number") << QByteArray("Beer") << QByteArray("Maxi") << QByteArray("x") << "Maxi" << "0.01";
    QTest::newRow("Deltat 3 reads 8") << QByteArray("Cinetique") << QByteArray("Deltat") << QByteArray("3") << "Deltat" << "8";
    QTest::newRow("Deltat negative wraps like the 16-bit field") << QByteArray("Cinetique") << QByteArray("Deltat") << QByteArray("-20") << "Deltat" << "65516";
    QTest::newRow("Deltat 65540 is cut to 4, then reads 8") << QByteArray("Cinetique") << QByteArray("Deltat") << QByteArray("65540") << "Deltat" << "8";
    QTest::newRow("Deltat 65536 is cut to 0, then reads 8") << QByteArray("Cinetique") << QByteArray("Deltat") << QByteArray("65536") << "Deltat" << "8";
    QTest::newRow("Deltat 65546 is cut to 10") << QByteArray("Cinetique") << QByteArray("Deltat") << QByteArray("65546") << "Deltat" << "10";
    QTest::newRow("Deltat 30") << QByteArray("Cinetique") << QByteArray("Deltat") << QByteArray("30") << "Deltat" << "30";
    QTest::newRow("Nom empty reads c") << QByteArray("Beer") << QByteArray("Nom") << QByteArray("") << "Nom" << "c";
    QTest::newRow("Nom cut to 20") << QByteArray("Beer") << QByteArray("Nom") << QByteArray("abcdefghijklmnopqrstuvwxyz") << "Nom" << "abcdefghijklmnopqrst";
    QTest::newRow("Com 16 bits") << QByteArray("Spectro") << QByteArray("Com") << QByteArray("65539") << "Com" << "3";
    QTest::newRow("Com not a number") << QByteArray("Spectro") << QByteArray("Com") << QByteArray("COM3") << "Com" << "1";
    QTest::newRow("Actif any non-zero") << QByteArray("Beer") << QByteArray("Actif") << QByteArray("7") << "Actif" << "1";
    QTest::newRow("Actif 0") << QByteArray("Beer") << QByteArray("Actif") << QByteArray("0") << "Actif" << "0";
    QTest::newRow("Beer Lambda") << QByteArray("Beer") << QByteArray("Lambda") << QByteArray("620") << "LambdaBeer" << "620";
    QTest::newRow("Cinetique Lambda") << QByteArray("Cinetique") << QByteArray("Lambda") << QByteArray("420") << "Lambda" << "420";
    QTest::newRow("LambdaBis") << QByteArray("Cinetique") << QByteArray("LambdaBis") << QByteArray("610") << "LambdaBis" << "610";
    QTest::newRow("Duree is not read") << QByteArray("Cinetique") << QByteArray("Duree") << QByteArray("5") << "Duree" << "480";
}

void TestSettings::readingRules()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, stored);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    Write("[" + section.toStdString() + "]\r\n" + key.toStdString() + "=" + stored.toStdString() + "\r\n");
    TspectroVandoral s(path_);
    const QMap<QString, QString> fields = {
        {"Maxi", QString::number(s.Maxi)},         {"Deltat", QString::number(s.Deltat)},
        {"Nom", QString::fromStdString(s.Nom)},    {"Com", QString::number(s.Com)},
        {"Actif", QString::number(s.Actif)},       {"LambdaBeer", QString::number(s.LambdaBeer)},
        {"Lambda", QString::number(s.Lambda)},     {"LambdaBis", QString::number(s.LambdaBis)},
        {"Duree", QString::number(s.Duree())},
    };
    QCOMPARE(fields.value(field), expected);
}

void TestSettings::saveOrderAndKeepsOtherSections()
{
    Write("[Spectro]\r\nTest=0\r\n[WindowS]\r\nLeft=10\r\n[K2]\r\nNom=Orbis K2\r\ncode=6004\r\n");
    TspectroVandoral s(path_);
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    s.Catalogue = &list;
    s.Com = 4;
    s.Maxi = 0.05;
    s.Nombre = 100;
    s.Deltat = 10;
    s.Signif = "concentration molaire";
    QVERIFY(s.SaveSettings());

    std::string bytes;
    QCOMPARE(ReadWholeFile(path_, bytes), FileState::Read);
    QCOMPARE(bytes, std::string("[Spectro]\r\nTest=0\r\nCom=4\r\n"
                                "[WindowS]\r\nLeft=10\r\n"
                                "[K2]\r\nNom=Orbis K2\r\ncode=6004\r\n"
                                "\r\n[Beer]\r\nMini=0\r\nMaxi=0.05\r\nNom=c\r\nUnite=mol/L\r\n"
                                "Signif=concentration molaire\r\nActif=1\r\nLambda=500\r\n"
                                "\r\n[Cinetique]\r\nDeltat=10\r\nDuree=1000\r\nNombre=100\r\n"
                                "Lambda=500\r\nLambdaBis=500\r\n"));
}

void TestSettings::realsSurviveAChangeOfSeparator()
{
    {
        SeparatorScope comma(',');
        TspectroVandoral s(path_);
        s.Mini = 0.002;
        s.Maxi = 0.25;
        QVERIFY(s.SaveSettings());
        QCOMPARE(IniReadString(path_, "Beer", "Maxi", ""), std::string("0,25")); // the user's separator
    }
    SeparatorScope point('.');
    TspectroVandoral s(path_);
    QCOMPARE(s.Mini, 0.002);
    QCOMPARE(s.Maxi, 0.25);
}

void TestSettings::catalogueBuiltIn()
{
    QCOMPARE(BuiltInCatalogueLines().size(), std::size_t(60));
    for (const auto &line : BuiltInCatalogueLines())
        QVERIFY(line.size() <= 16);
    for (char sep : {'.', ','}) {
        SeparatorScope scope(sep);
        TlisteSpectro list;
        LoadCatalogue(list, path_);
        QVERIFY(list.fromBuiltIn);
        QCOMPARE(list.Count(), 10);
        QCOMPARE(list.Item(0).nom, std::string("Orbis K2"));
        QCOMPARE(list.Item(0).code, std::string("6004"));
        QCOMPARE(list.Item(0).absMax, 2.5); // whatever the separator
        QCOMPARE(list.Item(5).lmin, 190);
        QCOMPARE(list.Item(5).lmax, 1100);
        QCOMPARE(list.Item(5).absMax, 3.0);
        QCOMPARE(list.Item(9).nom, std::string("LUMIRANT +"));
        QCOMPARE(list.Item(9).code, std::string("4106"));
        QVERIFY(!FileExists(path_)); // loading does not write
    }
}

void TestSettings::catalogueFromFile()
{
    Write("[Spectro]\r\nCom=2\r\n[Beer]\r\nNom=c\r\n"
          "[A]\r\nnom=Un nom beaucoup trop long\r\ncode=6004\r\nlmin=x\r\n"
          "[B]\r\nNOM=Second\r\nCODE=6004\r\nlmin=200\r\nabsMax=3,5\r\n");
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    QVERIFY(!list.fromBuiltIn);
    QCOMPARE(list.Count(), 4); // every section is an entry
    QCOMPARE(list.Item(0).code, std::string());
    QCOMPARE(list.Item(1).code, std::string());
    QCOMPARE(list.Item(2).nom, std::string("Un nom beaucoup trop"));
    QCOMPARE(list.Item(2).lmin, 330);
    QCOMPARE(list.Item(2).absMax, 2.0);
    QCOMPARE(list.Item(3).nom, std::string("Second"));
    QCOMPARE(list.Item(3).lmin, 200);
    QCOMPARE(list.Item(3).absMax, 3.5);
}

void TestSettings::builtInModelsOutliveTheFirstSave()
{
    // First run: no file, the built-in models serve.
    {
        TlisteSpectro list;
        LoadCatalogue(list, path_);
        TspectroVandoral s(path_);
        s.Catalogue = &list;
        s.Com = 2;
        QVERIFY(s.SaveSettings());
    }
    // Second run: the file exists and still holds the models.
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    QVERIFY(!list.fromBuiltIn);
    int models = 0;
    for (int i = 0; i < list.Count(); ++i)
        models += !list.Item(i).code.empty();
    QCOMPARE(models, 10);
    TspectroVandoral s(path_);
    QCOMPARE(s.Com, std::uint16_t(2));
    // Saving again adds nothing twice.
    s.Catalogue = &list;
    QVERIFY(s.SaveSettings());
    TlisteSpectro again;
    LoadCatalogue(again, path_);
    QCOMPARE(again.Count(), list.Count());
}

void TestSettings::fileWithoutModelsUsesBuiltIn()
{
    // Written by the language choice, then a crash before the first save.
    Write("[Interface]\r\nLangue=English\r\n[Spectro]\r\nCom=2\r\n");
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    QVERIFY(list.fromBuiltIn);
    QCOMPARE(list.Count(), 10);
    QCOMPARE(list.Item(5).nom, std::string("Orbis P26"));
    QCOMPARE(list.Item(5).lmin, 190);
    // The next save writes them, and keeps what the file held.
    TspectroVandoral s(path_);
    s.Catalogue = &list;
    QVERIFY(s.SaveSettings());
    TlisteSpectro again;
    LoadCatalogue(again, path_);
    QVERIFY(!again.fromBuiltIn);
    QCOMPARE(IniReadString(path_, "P26", "code", ""), std::string("6022"));
    QCOMPARE(IniReadString(path_, "Interface", "Langue", ""), std::string("English"));
}

void TestSettings::catalogueRanges_data()
{
    QTest::addColumn<QByteArray>("lmin");
    QTest::addColumn<QByteArray>("lmax");
    QTest::addColumn<bool>("kept");
    QTest::newRow("usual") << QByteArray("190") << QByteArray("1100") << true;
    QTest::newRow("up to 10000 nm") << QByteArray("1") << QByteArray("10000") << true;
    QTest::newRow("past 10000 nm") << QByteArray("190") << QByteArray("10001") << false;
    QTest::newRow("first wavelength at the integer limit") << QByteArray("2147483647") << QByteArray("800") << false;
    QTest::newRow("first wavelength 0") << QByteArray("0") << QByteArray("800") << false;
    QTest::newRow("negative") << QByteArray("-5") << QByteArray("800") << false;
    QTest::newRow("reversed") << QByteArray("800") << QByteArray("330") << false;
    QTest::newRow("empty range") << QByteArray("500") << QByteArray("500") << false;
}

void TestSettings::catalogueRanges()
{
    QFETCH(QByteArray, lmin);
    QFETCH(QByteArray, lmax);
    QFETCH(bool, kept);
    Write("[K2]\r\nnom=Orbis K2\r\ncode=6004\r\n[X]\r\nnom=Odd\r\ncode=9999\r\nlmin=" + lmin.toStdString()
          + "\r\nlmax=" + lmax.toStdString() + "\r\n");
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    QCOMPARE(list.Count(), kept ? 2 : 1);
    QCOMPARE(list.Item(0).code, std::string("6004"));
    if (kept)
        QCOMPARE(list.Item(1).lmin, lmin.toInt());
}

void TestSettings::unreadableFileIsNeverWrittenOver()
{
    // As root nothing is refused for permissions: a folder stands in the way.
    QVERIFY(QDir().mkpath(QString::fromStdString(path_)));
    QVERIFY(QFile::copy(QFINDTESTDATA("tst_settings.cpp"), QString::fromStdString(path_) + "/inside"));
    TspectroVandoral s(path_);
    QCOMPARE(s.Com, std::uint16_t(1)); // the defaults
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    QVERIFY(list.fromBuiltIn); // the instrument is still recognised
    s.Catalogue = &list;
    std::string error;
    QVERIFY(!s.SaveSettings(&error));
    QCOMPARE(error, std::string("ce n'est pas un fichier ordinaire"));
    QVERIFY(QFileInfo(QString::fromStdString(path_) + "/inside").isFile());
}

void TestSettings::lineBreaksInTypedTextsStayInTheirKey()
{
    {
        TspectroVandoral s(path_);
        s.Nom = "c\r\n[Spectro]";
        s.Unite = "g/L\nCom=9";
        s.Signif = "masse\r\n[K2]\r\ncode=1";
        QVERIFY(s.SaveSettings());
    }
    TspectroVandoral back(path_);
    QCOMPARE(back.Com, std::uint16_t(1));
    QCOMPARE(back.Nom, std::string("c[Spectro]"));
    QCOMPARE(back.Unite, std::string("g/LCom=9"));
    IniImage ini;
    ini.Load(path_);
    QCOMPARE(ini.Sections(), (std::vector<std::string>{"Spectro", "Beer", "Cinetique"}));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
