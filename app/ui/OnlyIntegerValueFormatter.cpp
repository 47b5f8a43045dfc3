#include "ui/OnlyIntegerValueFormatter.h"

#include <algorithm>
#include <climits>

namespace {

// One decimal integer after optional blanks and an optional sign, reaching
// the end of the text; values beyond the int range saturate.
bool scanWholeInt(const QString& text, long long* value) {
    int i = 0;
    while (i < text.size() && text[i].isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    const int digitsStart = i;
    long long result = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        result = std::min<long long>(result * 10 + (text[i].unicode() - u'0'), 1LL + INT_MAX);
        ++i;
    }
    if (i == digitsStart || i != text.size()) {
        return false;
    }
    result = negative ? -result : result;
    *value = std::clamp<long long>(result, INT_MIN, INT_MAX);
    return true;
}

}  // namespace

OnlyIntegerValueFormatter::OnlyIntegerValueFormatter(int maxVal, QObject* parent)
    : QValidator(parent), maxVal_(maxVal) {}

bool OnlyIntegerValueFormatter::isPartialStringValid(const QString& partial) const {
    if (partial.isEmpty()) {
        return true;
    }
    long long value = 0;
    if (!scanWholeInt(partial, &value) || partial.startsWith(u'0')) {
        return false;
    }
    return value <= maxVal_ && value > 0;
}

QValidator::State OnlyIntegerValueFormatter::validate(QString& input, int& pos) const {
    (void)pos;
    return isPartialStringValid(input) ? Acceptable : Invalid;
}
