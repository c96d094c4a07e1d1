// The automation objects as a JScript author meets them: [out, retval] values come back as the
// functions' values. The first argument is the DLL's architecture, x64 or x86; the others are
// result codes whose descriptions are printed as "description CODE TEXT" for the caller to compare.
var passed = 0, failed = 0;
function check(condition, what) {
    if (condition) {
        passed++;
    } else {
        failed++;
        WScript.Echo("FAIL: " + what);
    }
}

var arch = WScript.Arguments(0);
var tw = new ActiveXObject("Velmora.Twitter");
check(tw.Version === "2.0-beta (" + arch + ")", "Version");
check(tw.Build === "2.0.10.816 (" + arch + ")", "Build");
check(tw.Module === "Warbler" + arch + ".dll", "Module");
check(tw.LastError === 0 && tw.UseSSL === false, "a new object");
for (var i = 1; i < WScript.Arguments.length; i++) {
    var code = parseInt(WScript.Arguments(i), 10);
    WScript.Echo("description " + code + " " + tw.GetErrorDescription(code));
}

tw.LogFile = "c:\\warbler-objects-js.log";  // inside the Wine prefix
check(tw.LogFile === "c:\\warbler-objects-js.log", "LogFile");
var texts = ["ConsumerKey", "ConsumerSecret", "AccessToken", "AccessTokenSecret",
             "ProxyServer", "ProxyAccount", "ProxyPassword", "HttpLibrary"];
for (var t = 0; t < texts.length; t++) {
    tw[texts[t]] = "value of " + texts[t];
}
for (var r = 0; r < texts.length; r++) {
    check(tw[texts[r]] === "value of " + texts[r], texts[r]);
}
tw.UseSSL = true;
check(tw.UseSSL === true, "UseSSL");

check(tw.FindNextUser() === null, "FindNextUser of an empty list gives null");
check(tw.LastError === 25016, "FindNextUser of an empty list: 25016");

tw.Clear();
check(tw.LastError === 0 && tw.UseSSL === false, "Clear resets LastError and UseSSL");
check(tw.ConsumerKey === "" && tw.AccessTokenSecret === "" && tw.ProxyPassword === "", "Clear empties");
check(tw.LogFile === "c:\\warbler-objects-js.log" && tw.HttpLibrary === "value of HttpLibrary",
      "Clear keeps LogFile and HttpLibrary");

var status = new ActiveXObject("Velmora.Twitter.Status.1");
check(status.Text === "" && status.XML === "", "a new Status");
var person = new ActiveXObject("Velmora.Twitter.User.1");
check(person.NumTweets === 0 && person.Protected === false, "a new User");

WScript.Echo(passed + " passed, " + failed + " failed");
WScript.Quit(failed);
