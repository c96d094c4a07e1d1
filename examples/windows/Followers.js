// Walks the followers of a user (by default the account the keys belong to), page after page.
//   cscript //nologo Followers.js KEYFILE [USER]
if (WScript.Arguments.length < 1) {
    WScript.Echo("usage: cscript Followers.js KEYFILE [USER]");
    WScript.Quit(2);
}
var twitter = new ActiveXObject("Velmora.Twitter");
// A mistyped key file would otherwise show as the service refusing the call.
twitter.LoadConsumerKey(WScript.Arguments(0));
if (twitter.LastError === 0)
    twitter.LoadAccessKey(WScript.Arguments(0));
if (twitter.LastError !== 0) {
    WScript.Echo("No keys: " + twitter.GetErrorDescription(twitter.LastError));
    WScript.Quit(1);
}
var user = WScript.Arguments.length >= 2 ? WScript.Arguments(1) : "";

var shown = 0;
// The next page is fetched by cursor when one is used up; null and 25016 end the walk.
for (var follower = twitter.FindFirstFollower(user); follower !== null; follower = twitter.FindNextUser()) {
    WScript.Echo("@" + follower.ScreenName + " (" + follower.Name + "), " + follower.NumFollowers + " followers");
    shown++;
}
if (twitter.LastError !== 25016) {
    WScript.Echo("Failed: " + twitter.LastError + " " + twitter.GetErrorDescription(twitter.LastError));
    WScript.Quit(1);
}
WScript.Echo(shown + " followers");
