<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>AngleErrorWindow</name>
    <message>
        <source>Ошибка угла</source>
        <translation>Angle Error</translation>
    </message>
    <message>
        <source>Обновить</source>
        <translation>Refresh</translation>
    </message>
</context>
<context>
    <name>CaptureDialog</name>
    <message>
        <source>Захват</source>
        <translation>Capture</translation>
    </message>
    <message>
        <source>Режим считывания</source>
        <translation>Readout mode</translation>
    </message>
    <message>
        <source>Частота, Гц</source>
        <translation>Rate, Hz</translation>
    </message>
    <message>
        <source>Отсчётов</source>
        <translation>Samples</translation>
    </message>
    <message>
        <source>Длительность, с</source>
        <translation>Duration, s</translation>
    </message>
    <message>
        <source>Захватить</source>
        <translation>Capture</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>PageChart</name>
    <message>
        <source>Старт</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Сбросить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Интервал, мс</source>
        <translation>Interval, ms</translation>
    </message>
    <message>
        <source>Файл данных</source>
        <translation>Data file</translation>
    </message>
    <message>
        <source>Сохранять на файл</source>
        <translation>Save to file</translation>
    </message>
</context>
<context>
    <name>PageCircle</name>
    <message>
        <source>Файл данных</source>
        <translation>Data file</translation>
    </message>
    <message>
        <source>Интервал, мс</source>
        <translation>Interval, ms</translation>
    </message>
    <message>
        <source>Старт</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Сбросить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Сохранять на файл</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>Канал X (Синус):</source>
        <translation>Channel X (sine):</translation>
    </message>
    <message>
        <source>Максимум: </source>
        <translation>Maximum: </translation>
    </message>
    <message>
        <source>Минимум:</source>
        <translation>Minimum:</translation>
    </message>
    <message>
        <source>Смещение: </source>
        <translation>Offset: </translation>
    </message>
    <message>
        <source>Амплитуда:</source>
        <translation>Amplitude:</translation>
    </message>
    <message>
        <source>Канал Y (Косинус):</source>
        <translation>Channel Y (cosine):</translation>
    </message>
    <message>
        <source>Аппроксимация эллипсом</source>
        <translation>Ellipse fit</translation>
    </message>
    <message>
        <source>Смещение X:</source>
        <translation>Offset X:</translation>
    </message>
    <message>
        <source>Смещение Y:</source>
        <translation>Offset Y:</translation>
    </message>
    <message>
        <source>Амплитуда X:</source>
        <translation>Amplitude X:</translation>
    </message>
    <message>
        <source>Амплитуда Y:</source>
        <translation>Amplitude Y:</translation>
    </message>
    <message>
        <source>Рассогласование амплитуд, %:</source>
        <translation>Amplitude mismatch, %:</translation>
    </message>
    <message>
        <source>Фазовая ошибка, °:</source>
        <translation>Phase error, °:</translation>
    </message>
    <message>
        <source>Пиковая ошибка угла, °:</source>
        <translation>Peak angle error, °:</translation>
    </message>
</context>
<context>
    <name>PageConfig</name>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Последнее прочитанное</source>
        <translation>Last read</translation>
    </message>
    <message>
        <source>Прочитать всё</source>
        <translation>Read all</translation>
    </message>
    <message>
        <source>Записать всё</source>
        <translation>Write all</translation>
    </message>
</context>
<context>
    <name>PageWork</name>
    <message>
        <source>Файл данных</source>
        <translation>Data file</translation>
    </message>
    <message>
        <source>Сохранять на файл</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>Старт</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Интервал, мс</source>
        <translation>Interval, ms</translation>
    </message>
    <message>
        <source>Сбросить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Ошибка угла…</source>
        <translation>Angle error…</translation>
    </message>
</context>
<context>
    <name>ReviewWindow</name>
    <message>
        <source>Просмотр</source>
        <translation>Review</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Ряд</source>
        <translation>Series</translation>
    </message>
    <message>
        <source>Спектр</source>
        <translation>Spectrum</translation>
    </message>
    <message>
        <source>Амплитудный спектр ряда в видимом диапазоне (окно Ханна)</source>
        <translation>Amplitude spectrum of the series over the visible range (Hann window)</translation>
    </message>
    <message>
        <source>Эллипс</source>
        <translation>Ellipse</translation>
    </message>
    <message>
        <source>Аппроксимация эллипсом точек X/Y видимого диапазона</source>
        <translation>Ellipse fit of the X/Y points in the visible range</translation>
    </message>
    <message>
        <source>Ошибка угла…</source>
        <translation>Angle error…</translation>
    </message>
    <message>
        <source>Ошибка угла в видимом диапазоне при постоянной скорости</source>
        <translation>Angle error over the visible range at steady speed</translation>
    </message>
    <message>
        <source>Сохранить захват…</source>
        <translation>Save capture…</translation>
    </message>
    <message>
        <source>Записать захват в файл, как его пишет talmir -capture</source>
        <translation>Write the capture to a file as talmir -capture writes it</translation>
    </message>
</context>
<context>
    <name>TF_ASens_Chart</name>
    <message>
        <source>Старт</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Интервал, мс</source>
        <translation>Interval, ms</translation>
    </message>
    <message>
        <source>Сбросить</source>
        <translation>Clear</translation>
    </message>
</context>
<context>
    <name>TF_Chart</name>
    <message>
        <source>Сбросить</source>
        <translation>Clear</translation>
    </message>
</context>
<context>
    <name>TF_Face</name>
    <message>
        <source>TALMIR - БИС процессора положения</source>
        <translation>TALMIR - Position Processor IC</translation>
    </message>
    <message>
        <source>Частота SPI, кГц</source>
        <translation>SPI clock, kHz</translation>
    </message>
    <message>
        <source>Режим пограммирования</source>
        <translation>Programming mode</translation>
    </message>
    <message>
        <source>Питание программирования ОТП</source>
        <translation>OTP programming supply</translation>
    </message>
    <message>
        <source>Сохранить регистры в файл</source>
        <translation>Save registers to file</translation>
    </message>
    <message>
        <source>Загрузить регистры из файла</source>
        <translation>Load registers from file</translation>
    </message>
    <message>
        <source>Конфигурация</source>
        <translation>Configuration</translation>
    </message>
    <message>
        <source>График</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>Уловые данные</source>
        <translation>Angle data</translation>
    </message>
    <message>
        <source>Круговой график</source>
        <translation>XY circle</translation>
    </message>
    <message>
        <source>Просмотр…</source>
        <translation>Review…</translation>
    </message>
    <message>
        <source>Открыть файл данных или записи для просмотра (можно перетащить файл на окно)</source>
        <translation>Open a data or capture file for review (a file can also be dropped on the window)</translation>
    </message>
    <message>
        <source>Адаптер</source>
        <translation>Adapter</translation>
    </message>
    <message>
        <source>Канал адаптера MPSSE, через который опрашивается микросхема</source>
        <translation>The MPSSE adapter channel the chip is reached through</translation>
    </message>
    <message>
        <source>Захват…</source>
        <translation>Capture…</translation>
    </message>
    <message>
        <source>Захват отсчётов с заданной частотой, с тактами от адаптера</source>
        <translation>Capture samples at a set rate, clocked by the adapter</translation>
    </message>
</context>
<context>
    <name>talmir::AcquisitionControl</name>
    <message>
        <source>Старт</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Стоп</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>talmir::AngleErrorWindow</name>
    <message>
        <source>Угол, °</source>
        <translation>Angle, °</translation>
    </message>
    <message>
        <source>Ошибка, °</source>
        <translation>Error, °</translation>
    </message>
    <message>
        <source>Гармоника</source>
        <translation>Harmonic</translation>
    </message>
    <message>
        <source>Амплитуда, °</source>
        <translation>Amplitude, °</translation>
    </message>
    <message>
        <source>нет данных</source>
        <translation>no data</translation>
    </message>
    <message>
        <source>Ошибка угла не рассчитана: </source>
        <translation>Angle error not computed: </translation>
    </message>
    <message>
        <source>Точек: %1, оборотов: %2. СКЗ ошибки: %3°, пик: %4°.</source>
        <translation>Points: %1, revolutions: %2. RMS error: %3°, peak: %4°.</translation>
    </message>
    <message>
        <source> Преобразователь против atan2(X, Y): СКЗ %1°, смещение %2°</source>
        <translation> Converter vs. atan2(X, Y): RMS %1°, offset %2°</translation>
    </message>
</context>
<context>
    <name>talmir::CaptureDialog</name>
    <message>
        <source>Время кадра SPI: %1 мкс</source>
        <translation>SPI frame time: %1 µs</translation>
    </message>
    <message>
        <source>; наибольшая частота: %1 Гц (отсчёты задаёт тактовая частота адаптера)</source>
        <translation>; highest rate: %1 Hz (the adapter's clock sets the sample instants)</translation>
    </message>
    <message>
        <source>; отсчёты задают часы компьютера</source>
        <translation>; the computer's clock sets the sample instants</translation>
    </message>
    <message>
        <source>. Отсчётов: %1, длительность %2 с</source>
        <translation>. Samples: %1, duration %2 s</translation>
    </message>
    <message>
        <source>Отсчётов: %1 из %2, осталось %3 с</source>
        <translation>Samples: %1 of %2, %3 s left</translation>
    </message>
</context>
<context>
    <name>talmir::ErrorBox</name>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Неизвестная ошибка</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>talmir::RegisterFileDialog</name>
    <message>
        <source>Данные регистров (*.rdt)</source>
        <translation>Register data (*.rdt)</translation>
    </message>
</context>
<context>
    <name>talmir::ReviewWindow</name>
    <message>
        <source>страница «График», режим 0 (из регистров)</source>
        <translation>Chart page, mode 0 (from registers)</translation>
    </message>
    <message>
        <source>разовый отсчёт, режим 0 (из регистров)</source>
        <translation>one-shot reading, mode 0 (from registers)</translation>
    </message>
    <message>
        <source>режим 2, расшифровка страницы «График»</source>
        <translation>mode 2, Chart page decoding</translation>
    </message>
    <message>
        <source>режим 2, расшифровка разового отсчёта</source>
        <translation>mode 2, one-shot reading decoding</translation>
    </message>
    <message>
        <source>режим 2</source>
        <translation>mode 2</translation>
    </message>
    <message>
        <source>угловые данные</source>
        <translation>work data</translation>
    </message>
    <message>
        <source>данные XY</source>
        <translation>XY data</translation>
    </message>
    <message>
        <source>режим %1</source>
        <translation>mode %1</translation>
    </message>
    <message>
        <source>запись по времени, %1</source>
        <translation>timed capture, %1</translation>
    </message>
    <message>
        <source>Отсчёт</source>
        <translation>Sample</translation>
    </message>
    <message>
        <source>Амплитуда, LSB</source>
        <translation>Amplitude, LSB</translation>
    </message>
    <message>
        <source>Просмотр — %1</source>
        <translation>Review — %1</translation>
    </message>
    <message>
        <source>Чтение %1…</source>
        <translation>Reading %1…</translation>
    </message>
    <message>
        <source>Чтение %1 отменено</source>
        <translation>Reading %1 cancelled</translation>
    </message>
    <message>
        <source>Просмотр</source>
        <translation>Review</translation>
    </message>
    <message>
        <source>Время, с</source>
        <translation>Time, s</translation>
    </message>
    <message>
        <source>%1: %2, отсчётов: %3</source>
        <translation>%1: %2, samples: %3</translation>
    </message>
    <message>
        <source>строка %1: %2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>Не разобрано и пропущено строк: %1 (%2%3)</source>
        <translation>Lines not parsed and left out: %1 (%2%3)</translation>
    </message>
    <message>
        <source>Спектр не рассчитан: %1</source>
        <translation>No spectrum: %1</translation>
    </message>
    <message>
        <source>Гц</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>1/отсчёт</source>
        <translation>1/sample</translation>
    </message>
    <message>
        <source>Частота, %1</source>
        <translation>Frequency, %1</translation>
    </message>
    <message>
        <source>Спектр «%1» по %2 отсчётам видимого диапазона: %3 отрезков по %4 (окно Ханна). Шумовая полка %5 LSB; пик %6 LSB на %7 %8</source>
        <translation>Spectrum of “%1” over %2 visible samples: %3 segments of %4 (Hann window). Noise floor %5 LSB; peak %6 LSB at %7 %8</translation>
    </message>
    <message>
        <source>Эллипс не подобран: %1</source>
        <translation>No ellipse fitted: %1</translation>
    </message>
    <message>
        <source>%1 точкам (каждой %2-й)</source>
        <translation>%1 points (every %2th)</translation>
    </message>
    <message>
        <source>%1 точкам</source>
        <translation>%1 points</translation>
    </message>
    <message>
        <source>Эллипс по %1 видимого диапазона: смещение X %2, Y %3; амплитуда X %4, Y %5 LSB; рассогласование %6 %; фаза %7°; шум %8 LSB; ошибка atan2: пик %9°</source>
        <translation>Ellipse over %1 of the visible range: offset X %2, Y %3; amplitude X %4, Y %5 LSB; mismatch %6 %; phase %7°; noise %8 LSB; atan2 error: peak %9°</translation>
    </message>
    <message>
        <source>Ошибка угла не рассчитана: %1</source>
        <translation>No angle error: %1</translation>
    </message>
    <message>
        <source>: ошибка угла</source>
        <translation>: angle error</translation>
    </message>
    <message>
        <source>Ошибка угла по %1 равным шагам времени по %2 мкс; пропущенных шагов (заполнены между соседями): %3</source>
        <translation>Angle error over %1 equal time steps of %2 us; lost steps (filled between neighbours): %3</translation>
    </message>
    <message>
        <source>Сохранить захват</source>
        <translation>Save capture</translation>
    </message>
    <message>
        <source>Данные (*.csv *.txt);;Все файлы (*)</source>
        <translation>Data (*.csv *.txt);;All files (*)</translation>
    </message>
    <message>
        <source>Захват не сохранён: %1</source>
        <translation>Capture not saved: %1</translation>
    </message>
    <message>
        <source>%1; сохранён в %2</source>
        <translation>%1; saved to %2</translation>
    </message>
</context>
<context>
    <name>talmir::TChart</name>
    <message>
        <source>Сохранить изображение…</source>
        <translation>Save image…</translation>
    </message>
    <message>
        <source>Сохранить изображение</source>
        <translation>Save Image</translation>
    </message>
    <message>
        <source>Экспорт видимого диапазона…</source>
        <translation>Export visible range…</translation>
    </message>
    <message>
        <source>Экспорт видимого диапазона</source>
        <translation>Export Visible Range</translation>
    </message>
    <message>
        <source>CSV (*.csv);;Все файлы (*)</source>
        <translation>CSV (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>Курсор 1 здесь</source>
        <translation>Cursor 1 here</translation>
    </message>
    <message>
        <source>Курсор 2 здесь</source>
        <translation>Cursor 2 here</translation>
    </message>
    <message>
        <source>Убрать курсоры</source>
        <translation>Remove cursors</translation>
    </message>
    <message>
        <source>Следить за новыми данными</source>
        <translation>Follow new data</translation>
    </message>
    <message>
        <source>Окно слежения</source>
        <translation>Follow window</translation>
    </message>
    <message>
        <source>Вся запись</source>
        <translation>Whole record</translation>
    </message>
    <message>
        <source>Другое…</source>
        <translation>Other…</translation>
    </message>
    <message>
        <source>Последних отсчётов в окне:</source>
        <translation>Latest samples in the window:</translation>
    </message>
    <message>
        <source>%1 отсчётов</source>
        <translation>%1 samples</translation>
    </message>
    <message>
        <source>Статистика</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>%1: n = %2; min = %3; max = %4; среднее = %5; σ = %6; размах = %7</source>
        <translation>%1: n = %2; min = %3; max = %4; mean = %5; σ = %6; peak-to-peak = %7</translation>
    </message>
    <message>
        <source>Не удалось сохранить изображение в %1</source>
        <translation>Could not save the image to %1</translation>
    </message>
</context>
<context>
    <name>talmir::TF_ASens_Chart</name>
    <message>
        <source>График датчика не связан с микросхемой</source>
        <translation>The sensor chart is not attached to the chip</translation>
    </message>
</context>
<context>
    <name>talmir::TF_Face</name>
    <message>
        <source> (демо: симулятор)</source>
        <translation> (demo: simulator)</translation>
    </message>
    <message>
        <source>Библиотека MPSSE: </source>
        <translation>MPSSE library: </translation>
    </message>
    <message>
        <source>Не удалось сохранить настройки в %1: %2</source>
        <translation>Could not save the settings to %1: %2</translation>
    </message>
    <message>
        <source>Окна графиков: %1 — график четырёх кривых, %2 — KESTON Chart</source>
        <translation>Chart windows: %1 — four-curve chart, %2 — KESTON Chart</translation>
    </message>
    <message>
        <source>Из регистров</source>
        <translation>From registers</translation>
    </message>
    <message>
        <source>Однооборотный SPI       -  20 бит</source>
        <translation>Single-turn SPI       -  20 bit</translation>
    </message>
    <message>
        <source>Однооборотный режим  -  32 бит</source>
        <translation>Single-turn mode  -  32 bit</translation>
    </message>
    <message>
        <source>Многооборотный режим - 32 бит</source>
        <translation>Multi-turn mode - 32 bit</translation>
    </message>
    <message>
        <source>Многооборотный режим - 48 бит</source>
        <translation>Multi-turn mode - 48 bit</translation>
    </message>
    <message>
        <source>Режим тестирования       - 80 бит</source>
        <translation>Test mode       - 80 bit</translation>
    </message>
    <message>
        <source>Микросхема опознана - TALMIR 2016. CHIP_HARD_ID = 0x</source>
        <translation>Chip identified - TALMIR 2016. CHIP_HARD_ID = 0x</translation>
    </message>
    <message>
        <source>Микросхема НЕ опознана. CHIP_HARD_ID = 0x</source>
        <translation>Chip NOT identified. CHIP_HARD_ID = 0x</translation>
    </message>
    <message>
        <source>Частота SPI %1 кГц недопустима для адаптера: %2</source>
        <translation>SPI clock %1 kHz is not valid for the adapter: %2</translation>
    </message>
    <message>
        <source>Не удалось считать кадр данных угла: </source>
        <translation>Could not read the angle data frame: </translation>
    </message>
    <message>
        <source>файл длиннее %1 МБ, это не файл регистров</source>
        <translation>file larger than %1 MB, not a register file</translation>
    </message>
    <message>
        <source>Не удалось прочитать файл регистров «%1»: %2</source>
        <translation>Could not read register file “%1”: %2</translation>
    </message>
    <message>
        <source>Файл регистров «%1» пуст: регистры не изменены</source>
        <translation>Register file “%1” is empty: registers left unchanged</translation>
    </message>
    <message>
        <source>Файл регистров «%1», строка %2: «%3» не является целым числом</source>
        <translation>Register file “%1”, line %2: “%3” is not an integer</translation>
    </message>
    <message>
        <source>Файл регистров «%1»: строки после регистра %2 не загружены (%3 шт.)</source>
        <translation>Register file “%1”: lines after register %2 not loaded (%3 lines)</translation>
    </message>
    <message>
        <source>В файле «%1» нет секции [REG_CFG]: регистры не записаны</source>
        <translation>File “%1” has no [REG_CFG] section: no registers written</translation>
    </message>
    <message>
        <source>Не удалось загрузить рисунок регистра «%1»: %2</source>
        <translation>Could not load register picture “%1”: %2</translation>
    </message>
    <message>
        <source>Окно «Ошибка угла»: %1</source>
        <translation>Window “Angle Error”: %1</translation>
    </message>
    <message>
        <source>Эллипс не подобран: </source>
        <translation>Ellipse not fitted: </translation>
    </message>
    <message>
        <source>Точек: %1, шум: %2 LSB, дуга: %3°</source>
        <translation>Points: %1, noise: %2 LSB, arc: %3°</translation>
    </message>
    <message>
        <source>Эллипс</source>
        <translation>Ellipse</translation>
    </message>
    <message>
        <source>Просмотр файла</source>
        <translation>Review a file</translation>
    </message>
    <message>
        <source>Данные (*.csv *.txt);;Все файлы (*)</source>
        <translation>Data (*.csv *.txt);;All files (*)</translation>
    </message>
    <message>
        <source>адаптер «%1» не найден: библиотека MPSSE не загружена или в ней нет нужных функций</source>
        <translation>adapter “%1” not found: the MPSSE library is not loaded or lacks functions it needs</translation>
    </message>
    <message>
        <source>адаптер «%1» не найден: список каналов недоступен: %2</source>
        <translation>adapter “%1” not found: the channel list is not available: %2</translation>
    </message>
    <message>
        <source>адаптер «%1» не найден: каналов адаптеров нет</source>
        <translation>adapter “%1” not found: there are no adapter channels</translation>
    </message>
    <message>
        <source>адаптер «%1» не найден; есть каналы: %2</source>
        <translation>adapter “%1” not found; the channels are: %2</translation>
    </message>
    <message>
        <source>Адаптер: канал %1</source>
        <translation>Adapter: channel %1</translation>
    </message>
    <message>
        <source>Адаптер «%1» не подключён, используется канал 0 (%2)</source>
        <translation>Adapter “%1” is not plugged in, channel 0 is used (%2)</translation>
    </message>
    <message>
        <source>Список адаптеров недоступен: библиотека MPSSE не загружена</source>
        <translation>The adapter list is not available: the MPSSE library is not loaded</translation>
    </message>
    <message>
        <source>Список адаптеров недоступен: %1</source>
        <translation>The adapter list is not available: %1</translation>
    </message>
    <message>
        <source>Адаптеры не найдены</source>
        <translation>No adapters found</translation>
    </message>
    <message>
        <source>Опрос не остановился: адаптер не сменён</source>
        <translation>Polling did not stop: the adapter was not changed</translation>
    </message>
    <message>
        <source>Адаптер: </source>
        <translation>Adapter: </translation>
    </message>
    <message>
        <source>Опрос не остановился: захват не начат</source>
        <translation>Polling did not stop: the capture was not started</translation>
    </message>
    <message>
        <source>Захват, режим %1: %2 отсчётов</source>
        <translation>Capture, mode %1: %2 samples</translation>
    </message>
</context>
</TS>
