# Local recording: the recorder writes real files that ffprobe reads back;
# the manager runs on fake recorders.
set(AREA_TIMEOUT 300)
