// Prints the Module of the Twitter object this host gets, or the failure to create one.
try {
    WScript.Echo(new ActiveXObject("Velmora.Twitter").Module);
} catch (e) {
    WScript.Echo("no object: " + e.message);
}
