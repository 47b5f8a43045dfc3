// The one document-sharing model of the application: the running share and
// its operator, this participant's rights, the shared documents with the
// current document and page, zoom, scroll, shared size, the operator's tool
// modes, received strokes and the own pending stroke points, and the pen.
//
// The manager changes it on the relay's receive thread while windows read it
// on the main thread: every field is read and written under the model's lock,
// and every read answers a copy (the lists are implicitly shared copies).
#pragma once

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <mutex>
#include <optional>

#include "docshare/DSDocument.h"
#include "model/UserInfo.h"

class DocShareData {
public:
    DocShareData();
    DocShareData(const DocShareData&) = delete;
    DocShareData& operator=(const DocShareData&) = delete;

    // With true everything but the two room options goes back to its first
    // value; with false the documents, the current document index, the pen and
    // the drawable flag stay.
    void resetDocData(bool resetAll);

    void addDocument(const DSDocumentRef& document);
    DSDocumentRef getCurrentDocument() const;
    DSDocumentRef getLatestDocument() const;
    void setCurrentDocumentInfo(const std::optional<QString>& filePath,
                                const std::optional<QVariantMap>& info);

    // Appends "Pos: x, y" (truncated) to the pending stroke; negative points are ignored.
    void addDrawPoint(const QPointF& point);
    void clearSendDrawPoint();

    // The received strokes (parsed stroke messages).
    QList<QVariantMap> drawDataArray() const;
    void appendDrawData(const QVariantMap& stroke);
    void clearDrawDataArray();

    QList<DSDocumentRef> documents() const;
    // Appends the document and makes it the current one; answers its index.
    std::int64_t appendCurrentDocument(const DSDocumentRef& document);

#define DS_FIELD(Type, name, setter)  \
    Type name() const {               \
        std::lock_guard lock(mutex_); \
        return name##_;               \
    }                                 \
    void setter(const Type& v) {      \
        std::lock_guard lock(mutex_); \
        name##_ = v;                  \
    }
    DS_FIELD(bool, isDrawAll, setIsDrawAll)
    DS_FIELD(bool, isPageSwitchable, setIsPageSwitchable)
    DS_FIELD(bool, isStarted, setIsStarted)
    DS_FIELD(bool, hasOperationRight, setHasOperationRight)
    DS_FIELD(bool, hasViewingRight, setHasViewingRight)
    DS_FIELD(bool, hasPageOperationRight, setHasPageOperationRight)
    DS_FIELD(bool, isDrawingOn, setIsDrawingOn)
    DS_FIELD(bool, isDrawable, setIsDrawable)
    DS_FIELD(bool, isPointerOn, setIsPointerOn)
    DS_FIELD(std::int32_t, sendDrawPointCount, setSendDrawPointCount)
    DS_FIELD(UserInfoRef, ownerInfo, setOwnerInfo)
    DS_FIELD(std::int64_t, currentFileNumber, setCurrentFileNumber)
    DS_FIELD(std::int64_t, currentPageNumber, setCurrentPageNumber)
    DS_FIELD(std::int64_t, zoomRange, setZoomRange)
    DS_FIELD(std::optional<QString>, sendDrawPoint, setSendDrawPoint)
    DS_FIELD(double, penColorR, setPenColorR)
    DS_FIELD(double, penColorG, setPenColorG)
    DS_FIELD(double, penColorB, setPenColorB)
    DS_FIELD(double, penWidth, setPenWidth)
    DS_FIELD(double, eraserWidth, setEraserWidth)
    DS_FIELD(QPointF, scrollPoint, setScrollPoint)
    DS_FIELD(QSizeF, sharedSize, setSharedSize)
    DS_FIELD(QPointF, pointerOrigin, setPointerOrigin)
#undef DS_FIELD

private:
    mutable std::mutex mutex_;
    bool isDrawAll_ = false;
    bool isPageSwitchable_ = false;
    bool isStarted_ = false;
    bool hasOperationRight_ = false;
    bool hasViewingRight_ = false;
    bool hasPageOperationRight_ = false;
    bool isDrawingOn_ = false;
    bool isDrawable_ = false;
    bool isPointerOn_ = false;
    std::int32_t sendDrawPointCount_ = 0;
    UserInfoRef ownerInfo_;
    QList<DSDocumentRef> documents_;
    std::int64_t currentFileNumber_ = 0;
    std::int64_t currentPageNumber_ = 0;
    std::int64_t zoomRange_ = 100;
    QList<QVariantMap> drawDataArray_;
    std::optional<QString> sendDrawPoint_;
    double penColorR_ = 0, penColorG_ = 0, penColorB_ = 0;
    double penWidth_ = 5;
    double eraserWidth_ = 10;
    QPointF scrollPoint_;
    QSizeF sharedSize_;
    QPointF pointerOrigin_;
};
