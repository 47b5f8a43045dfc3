// The status-bar menu of the running recordings: one stop item per
// recording, tagged with its index in the list, and a stop-all item (tag
// 1000) when two or more run.
#pragma once

#include <QObject>
#include <memory>
#include <mutex>
#include <vector>

#include "recording/RecordingInfo.h"

class Menu;
class StatusItem;

class RecordingSystemMenuDelegate {
public:
    virtual ~RecordingSystemMenuDelegate() = default;
    virtual void stopRecordingFromMenu(std::int64_t /*tag*/) {}
    virtual void remove() {}
};

class RecordingSystemMenu : public QObject {
    Q_OBJECT

public:
    RecordingSystemMenu();
    ~RecordingSystemMenu() override;

    void reloadMenu(const std::vector<RecordingInfoRef>& recordings);
    // Hides the status item and tells the delegate to let the menu go.
    void hidden();
    void setRecordingSystemMenuDelegate(RecordingSystemMenuDelegate* delegate) { delegate_ = delegate; }

    Menu* menu() const { return menu_.get(); }
    StatusItem* statusItem() const { return statusItem_.get(); }

private:
    std::unique_ptr<Menu> menu_;
    std::unique_ptr<StatusItem> statusItem_;
    RecordingSystemMenuDelegate* delegate_ = nullptr;
    std::mutex mutex_;
};
