#pragma once

// Which sizes and frame rates the own video may use in the current room, and
// the size and rate the user chose (kept in the user defaults).
//
// Class operations only, on process-wide state without a lock: it is set up on
// the login's serial queue (or on the main thread before the settings window
// opens outside a conference) and read mostly on the main thread.
//
// Directions: 1 front, 2 back (the application passes 2). Value types: 0 width,
// 1 height, 2 frame rate.

#include <QString>
#include <QVariantMap>

enum { CAMERA_DIRECTION_FRONT = 1, CAMERA_DIRECTION_BACK = 2 };

class CameraSettings {
public:
    // Rebuilds the allowed lists, limits and starting parameter from a room
    // configuration and corrects the stored values.
    static void initCameraSettings(const QVariantMap& config);
    static void releaseCameraSettings();

    // The stored value, else 320, 240, 5.
    static int getWidth(int direction);
    static int getHeight(int direction);
    static int getFrameRate(int direction);
    // Store the value (and its flag) and write the user defaults out.
    static void setWidth(int direction, int width);
    static void setHeight(int direction, int height);
    static void setFrameRate(int direction, int frameRate);

    // -1 when the index is outside the list, 0 before the lists exist.
    static int getWidthAt(int direction, int index);
    static int getHeightAt(int direction, int index);
    static int getFrameRateAt(int index);
    // -1 when the lists differ in length or do not exist.
    static int getResolutionCount(int direction);
    static int getFrameRateCount();
    // The position of the width in the allowed list (-1 when absent).
    static int getResolutionPos(int direction, int witdh, int height);
    static int getCurrentResolutionPos(int direction);
    static int getFrameRatePos(int frameRate);
    static int getCurrentFrameRatePos(int direction);

    static bool isLimited();
    static double getLimitedWidth();
    static double getLimitedHeight();
    static double getLimitedFrameRate();

    // Internal steps, public so each can be read on its own.
    static void setServerLimit(const QVariantMap& config);
    static int getMachineLimit(int direction, int type);
    static void setMachineLimit(int direction, int type, int value);
    static void setVideoSizeAlternative();
    static void setFrameRateAlternatives();
    static void setStartingParameter(const QVariantMap& config);
    static void resetResolution(int direction, int width, int height);
    static bool resetVideoByStartingParameter(int direction);
    static bool resetVideoByLimit(int direction);
    static bool resetVideoByHDMode(int direction);
    static void resetVideoSettings();
    static void addResolution(int direction, int witdh, int height);
    static void addFrameRate(int frameRate);
    static void addCameraSettingsArray(int direction, int type, int value);
    static int getValueAt(int direction, int type, int index);
    static int getIndexOfValue(int direction, int type, int value);
    static int getValueCount(int direction, int type);
    // The flag and value keys of a direction and type; false when there are none.
    static bool getFlagAndKeyByDirection(int direction, int type, QString* flag, QString* key);
    static int getValueByDirection(int direction, int type);
    static void setValueByDirection(int direction, int type, int value);

    // The machine's hardware name (the kernel's machine field, "x86_64").
    static QString machineName();
    // Whether a machine of that name is limited to 640 x 480.
    static bool isMachineLimited(const QString& machine);
};
