#include "core/data/values.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorda {

QString nullSafeText(const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return QString();
    return value.toString();
}

namespace {

// Full-width forms typed through an input method read as their ASCII characters.
QChar asciiForm(QChar c) {
    const char16_t u = c.unicode();
    if (u >= 0xFF01 && u <= 0xFF5E)
        return QChar(char16_t(u - 0xFEE0));
    if (u == 0x3000)
        return QChar(u' ');
    if (u == 0x2212) // minus sign
        return QChar(u'-');
    return c;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

} // namespace

double leadingNumber(const QString& text) {
    // Collect the characters of the leading number (blanks dropped), then convert once.
    QString digits;
    digits.reserve(text.size());
    enum class Stage { Sign, Mantissa, Fraction, ExponentSign, Exponent };
    Stage stage = Stage::Sign;
    bool haveDigit = false;
    bool haveExponentDigit = false;
    for (QChar raw : text) {
        const QChar c = asciiForm(raw);
        if (isBlank(c))
            continue;
        if (c.isDigit() && c.unicode() < 128) {
            if (stage == Stage::Sign)
                stage = Stage::Mantissa;
            if (stage == Stage::ExponentSign)
                stage = Stage::Exponent;
            if (stage == Stage::Exponent)
                haveExponentDigit = true;
            else
                haveDigit = true;
            digits += c;
            continue;
        }
        if ((c == u'+' || c == u'-') && (stage == Stage::Sign || stage == Stage::ExponentSign)) {
            digits += c;
            stage = stage == Stage::Sign ? Stage::Mantissa : Stage::Exponent;
            continue;
        }
        if (c == u'.' && (stage == Stage::Sign || stage == Stage::Mantissa)) {
            digits += c;
            stage = Stage::Fraction;
            continue;
        }
        if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && haveDigit &&
            (stage == Stage::Mantissa || stage == Stage::Fraction)) {
            digits += u'e';
            stage = Stage::ExponentSign;
            continue;
        }
        break;
    }
    if (!haveDigit)
        return 0.0;
    // A dangling exponent marker ("12e") reads as the mantissa alone.
    if ((stage == Stage::ExponentSign || stage == Stage::Exponent) && !haveExponentDigit)
        digits.truncate(digits.lastIndexOf(u'e'));
    bool ok = false;
    const double value = digits.toDouble(&ok);
    if (!ok) {
        // Out of the double range: the sign of the mantissa decides the saturation.
        return digits.startsWith(u'-') ? -std::numeric_limits<double>::infinity()
                                       : std::numeric_limits<double>::infinity();
    }
    return value;
}

qint16 toInt16(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 32767.0)
        return 32767;
    if (value <= -32768.0)
        return -32768;
    // nearbyint rounds to nearest with halves to even under the default rounding mode.
    return static_cast<qint16>(std::nearbyint(value));
}

qint16 countOf(const QString& text) {
    return toInt16(leadingNumber(text));
}

qint16 countOf(const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return toInt16(value.toDouble());
    default:
        return countOf(value.toString());
    }
}

namespace {

qint64 toInt64(double value) {
    if (std::isnan(value))
        return 0;
    // 2^63 is exact as a double; anything from there on is beyond the type.
    if (value >= 9223372036854775808.0)
        return std::numeric_limits<qint64>::max();
    if (value <= -9223372036854775808.0)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(std::nearbyint(value));
}

} // namespace

qint64 storedNumber(const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return value.toLongLong();
    case QMetaType::ULongLong:
        return value.toULongLong() > quint64(std::numeric_limits<qint64>::max())
                   ? std::numeric_limits<qint64>::max()
                   : value.toLongLong();
    case QMetaType::Double:
        return toInt64(value.toDouble());
    default: {
        // Digits alone are read exactly; a double would lose the last of 19 of them.
        bool ok = false;
        const qint64 whole = value.toString().trimmed().toLongLong(&ok);
        return ok ? whole : toInt64(leadingNumber(value.toString()));
    }
    }
}

QDate dateWithCarry(int year, int month, int day) {
    // Months carry into years in both directions, then days carry through the calendar.
    const int zeroBased = month - 1;
    int yearCarry = zeroBased / 12;
    int monthIndex = zeroBased % 12;
    if (monthIndex < 0) {
        monthIndex += 12;
        yearCarry -= 1;
    }
    const QDate first(year + yearCarry, monthIndex + 1, 1);
    if (!first.isValid())
        return QDate();
    return first.addDays(day - 1);
}

Period monthClosingPeriod(int year, int month, int closingDay) {
    auto closing = [closingDay](int y, int m) {
        const QDate first = dateWithCarry(y, m, 1);
        if (!first.isValid())
            return QDate();
        return QDate(first.year(), first.month(), std::clamp(closingDay, 1, first.daysInMonth()));
    };
    Period p;
    p.end = closing(year, month);
    const QDate before = closing(year, month - 1);
    if (p.end.isValid() && before.isValid())
        p.start = before.addDays(1);
    else
        p.end = QDate();
    return p;
}

QString eraYearPlain(int westernYear, int eraOffset) {
    return QString::number(westernYear - eraOffset);
}

QString eraYearPadded(int westernYear, int eraOffset) {
    return rightAlignKeepLast(QString::number(westernYear - eraOffset), 2);
}

QString leftChars(const QString& text, int n) {
    qsizetype units = 0;
    int chars = 0;
    while (units < text.size() && chars < n) {
        units += (text[units].isHighSurrogate() && units + 1 < text.size() &&
                  text[units + 1].isLowSurrogate())
                     ? 2
                     : 1;
        ++chars;
    }
    return text.left(units);
}

QString midChars(const QString& text, int from, int count) {
    const qsizetype skipped = leftChars(text, from).size();
    return leftChars(text.mid(skipped), count);
}

QString rightAlignKeepLast(const QString& text, int width) {
    if (width <= 0)
        return QString();
    return (QString(width, u' ') + text).right(width);
}

QString rightAlignKeepFirst(const QString& text, int width) {
    if (width <= 0)
        return QString();
    if (text.size() >= width)
        return text.left(width);
    return QString(width - text.size(), u' ') + text;
}

QString countOrEmpty(qint64 value) {
    return value == 0 ? QString() : QString::number(value);
}

QString sheetFigure(int value, int width) {
    if (value == 0)
        return QString();
    const QString text = QString::number(value);
    return text.size() >= width ? text : rightAlignKeepLast(text, width);
}

QString weekdayChar(const QDate& date) {
    static const char16_t chars[] = u"月火水木金土日";
    if (!date.isValid())
        return QString();
    return QString(QChar(chars[date.dayOfWeek() - 1]));
}

QString toDbDate(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QDate fromDbDate(const QVariant& value) {
    if (value.isNull())
        return QDate();
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    const QString text = value.toString().trimmed();
    // Tolerate a time part after the date, as other tools may write one.
    return QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
}

std::optional<qint64> typedInteger(const QString& text) {
    QString ascii;
    ascii.reserve(text.size());
    for (QChar c : text)
        ascii += asciiForm(c);
    bool ok = false;
    const qint64 value = ascii.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace vorda
