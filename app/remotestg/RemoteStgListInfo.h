// One selectable list of a participant (devices, sizes, rates ...): its
// entries and the 1-based position of the current one (0: none).
#pragma once

#include <QStringList>

struct RemoteStgListInfo {
    QStringList list;
    int active = 0;
    bool readOnly = false;  // never set by the reader

    bool operator==(const RemoteStgListInfo&) const = default;
};
