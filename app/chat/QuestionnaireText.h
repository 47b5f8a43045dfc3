// Text rules of the questionnaire windows: the cleaning of what the user
// typed, the editor's history, the rate texts of the result window and the
// result file.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

class QuestionnaireText {
public:
    static constexpr int kQuestionMaxUnits = 40;
    static constexpr int kChoiceMaxUnits = 20;
    static constexpr int kMaxChoices = 5;

    // Every IDEOGRAPHIC SPACE as a space, then trimmed of white space and
    // line ends.
    static QString clean(const QString& text);
    // A history entry (the question, then its choices) as the combo box
    // lists it: "question [ a / b ]", the question left out when empty.
    static QString historyTitle(const QStringList& entry);
    // The history after issuing `question` with `choices`: the same entry
    // moves to the front, at most `maxEntries` are kept.
    static QList<QStringList> updatedHistory(QList<QStringList> history, const QString& question,
                                             const QStringList& choices, int maxEntries);
    // A choice's share of the selected items, in single precision (0
    // without items).
    static float choiceRatio(qsizetype count, int items);
    // "count/items (p.p%)".
    static QString choiceRateText(qsizetype count, int items);
    // "<label>: answers/receivers (p.p%)".
    static QString responseRateText(const QString& label, int answers, int receivers);

    // What the result window shows, as the result file is made of it.
    struct ResultRow {
        QString choice;
        QString rateText;  // as choiceRateText gives it
        // Who chose it, in arrival order: name and user id.
        std::vector<std::pair<QString, QString>> users;
    };
    struct ResultTexts {
        QString questionLabel, multipleLabel, anonymousLabel;  // the localised words
        QString question;
        bool multiple = false, anonymous = false;
        QString responseRate;
        std::vector<ResultRow> rows;
    };
    // The result file: the question line, the response rate, an empty line,
    // then per choice "choice,count/items,p.p%" and, unless anonymous,
    // ",name (id)" per user; CR LF between lines, none after the last.
    static QString resultFileText(const ResultTexts& texts);
};
