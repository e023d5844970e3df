// Keeps every module library non-empty while its folder is still being filled.
