// langSC.dll holds only resources (langSC.rc): the program loads it with LoadLibraryW and makes it the
// framework's resource module. It has no code of its own.
