#include "ui/StartOptions.h"

namespace talmir {

StartOptions ParseStartOptions(const QStringList& args) {
    StartOptions options;
    qsizetype i = 0;
    for (; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--demo")) {
            options.demo = true;
        } else if (arg == QLatin1String("--help")) {
            options.help = true;
        } else if (arg == QLatin1String("--version")) {
            options.version = true;
        } else if (arg == QLatin1String("--lang")) {
            if (i + 1 == args.size() || args[i + 1].isEmpty()) {
                options.error = QStringLiteral("--lang: не указан язык (например, --lang en)");
                return options;
            }
            options.language = args[++i];
        } else if (arg == QLatin1String("--adapter")) {
            if (i + 1 == args.size() || args[i + 1].isEmpty()) {
                options.error = QStringLiteral(
                    "--adapter: не указан адаптер (номер канала или серийный номер, "
                    "например, --adapter 1)");
                return options;
            }
            options.adapter = args[++i];
        } else {
            break;
        }
    }
    options.args = args.mid(i);
    return options;
}

QString HelpText() {
    return QStringLiteral(
        "Использование: talmir [--demo] [--adapter АДАПТЕР] [--lang ЯЗЫК] [ЗАДАНИЕ "
        "АРГУМЕНТЫ…]\n"
        "  -getdata РЕЖИМ ФАЙЛ  опознать микросхему и дописать в ФАЙЛ один отсчёт в режиме "
        "считывания РЕЖИМ\n"
        "  -config ФАЙЛ.ini     опознать микросхему и записать в неё регистры секции [REG_CFG]\n"
        "  -capture РЕЖИМ ЧАСТОТА_ГЦ ЧИСЛО ФАЙЛ\n"
        "                       опознать микросхему и записать в ФАЙЛ ЧИСЛО отсчётов, снятых\n"
        "                       с частотой ЧАСТОТА_ГЦ, каждый со временем в мкс\n"
        "  -adapters            перечислить каналы адаптеров MPSSE на стандартный вывод\n"
        "  -xyfit ФАЙЛ          подобрать эллипс по файлу XY и вывести результат\n"
        "  -angleerror ФАЙЛ     погрешность угла и её гармоники по файлу угловых данных\n"
        "  ФАЙЛ                 открыть окно и в нём файл данных или записи для просмотра\n"
        "  --demo               работать с симулятором адаптера и микросхемы вместо адаптера\n"
        "  --adapter АДАПТЕР    открыть канал адаптера с этим номером (как в -adapters) или\n"
        "                       серийным номером вместо канала 0\n"
        "  --lang ЯЗЫК          язык окна: ru (по умолчанию) или en\n"
        "  --help               вывести эту справку\n"
        "  --version            вывести версию и библиотеку MPSSE, которая будет загружена\n"
        "Без задания открывается окно.\n");
}

}  // namespace talmir
