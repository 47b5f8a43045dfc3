#pragma once

// An input formatter for whole numbers from 1 to a maximum: while typing, a
// text is accepted when it is empty or reads wholly as one decimal integer
// that does not begin with "0" and lies in 1..maxVal.

#include <QValidator>

class OnlyIntegerValueFormatter : public QValidator {
    Q_OBJECT

public:
    explicit OnlyIntegerValueFormatter(int maxVal, QObject* parent = nullptr);

    int maxVal() const { return maxVal_; }
    void setMaxVal(int maxVal) { maxVal_ = maxVal; }

    bool isPartialStringValid(const QString& partial) const;
    State validate(QString& input, int& pos) const override;

private:
    int maxVal_;
};
