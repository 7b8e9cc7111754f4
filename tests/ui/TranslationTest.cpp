// The windows' language: Russian by default, English from "--lang en" or the
// key Language of section [UI] in config.ini, the option winning; the
// settings rewrite keeps that section; a job's output is the same in every
// language.
#include <QTranslator>

#include "UiTestSupport.h"
#include "ui/WindowLanguage.h"
#include "ui_PageChart.h"
#include "ui_main.h"

namespace talmir::test {
namespace {

class TranslationTest : public UiTest {
protected:
    void TearDown() override {
        UiTest::TearDown();
        QCoreApplication::removeTranslator(&translator_);
    }
    // What the program does before its first window, for the test's folder.
    void InstallLanguage(const QString& option) {
        const QString language = ChooseWindowLanguage(option, Path("config.ini"));
        EXPECT_EQ(InstallWindowLanguage(translator_, language, TALMIR_BIN_DIR "/"), QString());
    }
    QTranslator translator_;
};

struct CaptionCase {
    const char* name;
    QString option;     // "--lang"
    QByteArray config;  // config.ini; none when empty
    bool english;
};

TEST_F(TranslationTest, MainWindowCaptionsFollowTheChosenLanguage) {
    const CaptionCase cases[] = {
        {"default", "", "", false},
        {"--lang en", "en", "", true},
        {"Language=en", "", "[CONFIG]\r\nSaveAngleDataToFile=0\r\n[UI]\r\nLanguage=en\r\n", true},
        {"--lang ru over Language=en", "ru", "[UI]\r\nLanguage=en\r\n", false},
    };
    for (const CaptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Path("config.ini"));
        if (!c.config.isEmpty()) WriteFile(Path("config.ini"), c.config);
        InstallLanguage(c.option);
        TF_Face& face = Face();
        const auto text = [&](const char* ru, const char* en) {
            return QString::fromUtf8(c.english ? en : ru);
        };
        EXPECT_EQ(face.windowTitle(),
                  text("TALMIR - БИС процессора положения", "TALMIR - Position Processor IC"));
        EXPECT_EQ(face.ui->PageControl->tabText(1), text("График", "Chart"));
        EXPECT_EQ(face.ui->chCFG->text(), text("Режим пограммирования", "Programming mode"));
        EXPECT_EQ(face.ui->BtnRegsFromFile->text(),
                  text("Загрузить регистры из файла", "Load registers from file"));
        EXPECT_EQ(face.chart->ListBoxMode->item(0)->text(), text("Из регистров", "From registers"));
        // The start button's caption is what tells a start from a stop.
        face.chart->ListBoxMode->setCurrentRow(5);  // takes no reading
        EXPECT_EQ(face.chart->btnStart->text(), text("Старт", "Start"));
        face.chart->btnStart->click();
        EXPECT_EQ(face.chart->btnStart->text(), text("Стоп", "Stop"));
        EXPECT_TRUE(state_.AcquisitionActive);
        face.chart->btnStart->click();
        EXPECT_EQ(face.chart->btnStart->text(), text("Старт", "Start"));
        DestroyFace();
        QCoreApplication::removeTranslator(&translator_);
    }
}

TEST_F(TranslationTest, SettingsRewriteKeepsTheLanguageSection) {
    WriteFile(Path("config.ini"),
              "[CONFIG]\r\nSaveAngleDataToFile=1\r\n[UI]\r\nLanguage=en\r\n[OTHER]\r\nKey=1\r\n");
    InstallLanguage("");
    Face();
    DestroyFace();  // rewrites config.ini
    const QByteArray ini = ReadFile(Path("config.ini"));
    EXPECT_TRUE(ini.startsWith("[CONFIG]\r\nSaveAngleDataToFile=1\r\n")) << ini.constData();
    EXPECT_TRUE(ini.contains("SaveXYChartDataToFile=0\r\n[UI]\r\n")) << ini.constData();
    EXPECT_TRUE(ini.endsWith("[UI]\r\nLanguage=en\r\n[OTHER]\r\nKey=1\r\n")) << ini.constData();
    EXPECT_EQ(ChooseWindowLanguage("", Path("config.ini")), "en");
}

TEST_F(TranslationTest, JobOutputIsTheSameInEnglish) {
    ASSERT_TRUE(QFile::copy(TALMIR_BIN_DIR "/talmir", Path("talmir")));
    QStringList runs;
    for (const QStringList& options : {QStringList{}, QStringList{"--lang", "en"}}) {
        const QString file = Path(QStringLiteral("angle%1.csv").arg(runs.size()));
        const auto run = RunTool(Path("talmir"), options + QStringList{"-getdata", "1", file});
        ASSERT_TRUE(run) << "did not finish";
        EXPECT_EQ(run->exitCode, 0) << run->err.toStdString();
        runs << run->out + "|" + QString(run->err).replace(file, "FILE") + "|" +
                    QString::fromLatin1(ReadFile(file)).section("\r\n", 0, 0);
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_TRUE(runs[0].contains(QStringLiteral("Микросхема опознана"))) << runs[0].toStdString();
}

}  // namespace
}  // namespace talmir::test
