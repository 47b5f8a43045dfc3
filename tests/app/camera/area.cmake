# The damaged-model test loads the segmentation model over a hundred times,
# which takes minutes in a sanitized build on a loaded machine.
set(AREA_TIMEOUT 300)
