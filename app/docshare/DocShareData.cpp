#include "docshare/DocShareData.h"

#include "platform/StringFormat.h"

DocShareData::DocShareData() {
    resetDocData(true);
}

void DocShareData::resetDocData(bool resetAll) {
    std::lock_guard lock(mutex_);
    isStarted_ = false;
    hasOperationRight_ = false;
    hasViewingRight_ = false;
    hasPageOperationRight_ = false;
    isDrawingOn_ = false;
    isPointerOn_ = false;
    sendDrawPointCount_ = 0;
    ownerInfo_.reset();
    currentPageNumber_ = 0;
    zoomRange_ = 100;
    drawDataArray_.clear();
    sendDrawPoint_.reset();
    scrollPoint_ = QPointF();
    sharedSize_ = QSizeF(0, 0);
    pointerOrigin_ = QPointF();
    if (!resetAll) return;
    isDrawable_ = false;
    documents_.clear();
    currentFileNumber_ = 0;
    penColorR_ = penColorG_ = penColorB_ = 0;
    penWidth_ = 5;
    eraserWidth_ = 10;
}

void DocShareData::addDocument(const DSDocumentRef& document) {
    if (!document) return;
    std::lock_guard lock(mutex_);
    documents_.append(document);
}

std::int64_t DocShareData::appendCurrentDocument(const DSDocumentRef& document) {
    std::lock_guard lock(mutex_);
    documents_.append(document);
    currentFileNumber_ = documents_.size() - 1;
    return currentFileNumber_;
}

DSDocumentRef DocShareData::getCurrentDocument() const {
    std::lock_guard lock(mutex_);
    if (currentFileNumber_ < 0 || currentFileNumber_ >= documents_.size()) return nullptr;
    return documents_[currentFileNumber_];
}

DSDocumentRef DocShareData::getLatestDocument() const {
    std::lock_guard lock(mutex_);
    return documents_.isEmpty() ? nullptr : documents_.last();
}

QList<DSDocumentRef> DocShareData::documents() const {
    std::lock_guard lock(mutex_);
    return documents_;
}

void DocShareData::setCurrentDocumentInfo(const std::optional<QString>& filePath,
                                          const std::optional<QVariantMap>& info) {
    if (!filePath || !info) return;
    if (DSDocumentRef current = getCurrentDocument()) current->updateDocument(filePath, info);
}

void DocShareData::addDrawPoint(const QPointF& point) {
    if (point.x() < 0 || point.y() < 0) return;
    const QString line =
        StringWithFormat("Pos: %ld, %ld\r\n", static_cast<long>(point.x()), static_cast<long>(point.y()));
    std::lock_guard lock(mutex_);
    sendDrawPoint_ = sendDrawPoint_.value_or(QString()) + line;
    ++sendDrawPointCount_;
}

void DocShareData::clearSendDrawPoint() {
    std::lock_guard lock(mutex_);
    sendDrawPoint_.reset();
    sendDrawPointCount_ = 0;
}

QList<QVariantMap> DocShareData::drawDataArray() const {
    std::lock_guard lock(mutex_);
    return drawDataArray_;
}

void DocShareData::appendDrawData(const QVariantMap& stroke) {
    std::lock_guard lock(mutex_);
    drawDataArray_.append(stroke);
}

void DocShareData::clearDrawDataArray() {
    std::lock_guard lock(mutex_);
    drawDataArray_.clear();
}
