#include "chat/QuestionnaireText.h"

QString QuestionnaireText::clean(const QString& text) {
    QString out = text;
    out.replace(QChar(0x3000), QLatin1Char(' '));
    return out.trimmed();
}

QString QuestionnaireText::historyTitle(const QStringList& entry) {
    if (entry.isEmpty()) return QString();
    QString title = entry.first();
    title += QStringLiteral(" [ ") + entry.mid(1).join(QStringLiteral(" / ")) + QStringLiteral(" ]");
    return title;
}

QList<QStringList> QuestionnaireText::updatedHistory(QList<QStringList> history, const QString& question,
                                                     const QStringList& choices, int maxEntries) {
    QStringList entry{question};
    entry += choices;
    for (qsizetype i = 0; i < history.size(); ++i) {
        if (history.at(i) == entry) {
            history.removeAt(i);
            break;
        }
    }
    history.prepend(entry);
    while (history.size() > qMax(0, maxEntries)) history.removeLast();
    return history;
}

float QuestionnaireText::choiceRatio(qsizetype count, int items) {
    if (items == 0) return 0.0f;
    return float(count) / float(items);
}

QString QuestionnaireText::choiceRateText(qsizetype count, int items) {
    const float percent = choiceRatio(count, items) * 100.0f;
    return QString::asprintf("%ld/%d (%.1f%%)", long(count), items, double(percent));
}

QString QuestionnaireText::responseRateText(const QString& label, int answers, int receivers) {
    const double percent = receivers > 0 ? double(answers) / double(receivers) * 100.0 : 0.0;
    return label + QString::asprintf(": %d/%d (%.1f%%)", answers, receivers, percent);
}

QString QuestionnaireText::resultFileText(const ResultTexts& t) {
    const QString crlf = QStringLiteral("\r\n");
    QString text = t.questionLabel + QStringLiteral(": ") + t.question;
    if (t.multiple) text += QStringLiteral(" (") + t.multipleLabel + QLatin1Char(')');
    if (t.anonymous) text += QStringLiteral(" (") + t.anonymousLabel + QLatin1Char(')');
    text += crlf + t.responseRate + crlf;
    for (const ResultRow& row : t.rows) {
        // "count/items (p.p%)": the part before " (" and the percentage with its sign.
        const qsizetype open = row.rateText.indexOf(QStringLiteral(" ("));
        const QString counts = open < 0 ? row.rateText : row.rateText.left(open);
        QString percent;
        if (open >= 0) {
            const qsizetype sign = row.rateText.indexOf(QLatin1Char('%'), open + 2);
            percent = sign < 0 ? row.rateText.mid(open + 2) : row.rateText.mid(open + 2, sign - open - 1);
        }
        text += crlf + row.choice + QLatin1Char(',') + counts + QLatin1Char(',') + percent;
        if (!t.anonymous)
            for (const auto& [name, id] : row.users)
                text += QLatin1Char(',') + name + QStringLiteral(" (") + id + QLatin1Char(')');
    }
    return text;
}
