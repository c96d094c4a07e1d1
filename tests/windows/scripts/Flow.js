// The flow of Flow.vbs in JScript: every [out, retval] value comes back as the function's value.
//   cscript //nologo Flow.js CONSUMER_KEY CONSUMER_SECRET LOGFILE KEYFILE
var args = WScript.Arguments;
function report(step, values) {
    WScript.Echo(step + ": " + String(values).toLowerCase());
}
function walk(first, next) {
    var count = 0;
    for (var item = first; item !== null; item = next()) count++;
    return count;
}

var tw = new ActiveXObject("Velmora.Twitter");
tw.LogFile = args(2);
tw.ConsumerKey = args(0);
tw.ConsumerSecret = args(1);

var url = tw.RequestAuthorization();
report("authorize", tw.LastError);
var http = new ActiveXObject("WinHttp.WinHttpRequest.5.1");
http.Open("GET", url + "&approve=1&format=text", false);
http.Send();
tw.RequestAccessToken(http.ResponseText.replace(/.*oauth_verifier=/, ""));
report("access", tw.LastError + " " + (tw.AccessToken.indexOf("14785507-") === 0));

tw.SaveAccessKey(args(3));
tw.SaveConsumerKey(args(3));
var other = new ActiveXObject("Velmora.Twitter");
other.LoadAccessKey(args(3));
other.LoadConsumerKey(args(3));
report("keys", other.LastError + " " + (other.AccessToken === tw.AccessToken && other.ConsumerSecret === tw.ConsumerSecret));

var reply = tw.APICall("account/verify_credentials", "xml");
report("signed", tw.LastError + " " + (reply.indexOf("<screen_name>warbler_demo</screen_name>") >= 0));
var unsigned = new ActiveXObject("Velmora.Twitter");
unsigned.LogFile = args(2);
reply = unsigned.APICall("statuses/public_timeline", "xml", "count=2");
report("unsigned", unsigned.LastError + " " + (reply.split("<status>").length - 1));

var id = tw.Tweet("A status from the flow");
report("tweet", tw.LastError + " " + id);
reply = tw.DirectTweet("thanks", "alice", id);
report("reply", tw.LastError + " " + reply);
tw.Tweet("");
report("empty", tw.LastError);
tw.Follow("fan_01");
report("follow", tw.LastError);
tw.Follow("fan_01");
report("follow again", tw.LastError);
tw.UnFollow("fan_01");
report("unfollow", tw.LastError);

var status = tw.FindFirstTweet("home", "", "", 5);
var first = status.Id;
report("timeline", walk(status, function () { return tw.FindNextTweet(); }) + " " + tw.LastError);
report("reuse", (tw.FindFirstTweet("home", "", "", 5).Id === first) + " " + tw.LastError);
report("friends", walk(tw.FindFirstFriend(), function () { return tw.FindNextUser(); }) + " " + tw.LastError);
tw.Tweet("Hello \u00e9");
report("unicode tweet", tw.LastError);
report("unicode text", (tw.FindFirstTweet("home", "", "", 1).Text === "Hello \u00e9") + " " + tw.LastError);
tw.Tweet("  two  spaces   line2  ");
report("blanks", (tw.FindFirstTweet("home", "", "", 2).Text === "  two  spaces   line2  ") + " " + tw.LastError);
tw.SaveAccessKey("flow-relative.ini");
other = new ActiveXObject("Velmora.Twitter");
other.LoadAccessKey("flow-relative.ini");
report("relative keys", other.LastError + " " + (other.AccessToken === tw.AccessToken));

tw.APICall("http://127.0.0.1:1/refused", "xml");
report("refused", tw.LastError);
tw.AccessTokenSecret = "wrong";
tw.APICall("account/verify_credentials", "xml");
report("denied", tw.LastError);
