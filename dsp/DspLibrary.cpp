// Anchor translation unit of the signal-processing library.
