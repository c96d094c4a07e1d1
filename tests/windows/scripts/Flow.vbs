' One user-level flow against the simulator, printed as "step: values" lines that the test
' compares with the same flow run from Python on Linux.
'   cscript //nologo Flow.vbs CONSUMER_KEY CONSUMER_SECRET LOGFILE KEYFILE
Option Explicit
Dim tw, url, http, verifier, other, reply, count, first, item, id, unsigned

Set tw = CreateObject("Velmora.Twitter")
tw.LogFile = WScript.Arguments(2)
tw.ConsumerKey = WScript.Arguments(0)
tw.ConsumerSecret = WScript.Arguments(1)

url = tw.RequestAuthorization()
Report "authorize", tw.LastError
' The simulator's scripted approval stands in for the person at the browser.
Set http = CreateObject("WinHttp.WinHttpRequest.5.1")
http.Open "GET", url & "&approve=1&format=text", False
http.Send
verifier = Mid(http.ResponseText, InStr(http.ResponseText, "oauth_verifier=") + 15)
tw.RequestAccessToken verifier
Report "access", tw.LastError & " " & (Left(tw.AccessToken, 9) = "14785507-")

tw.SaveAccessKey WScript.Arguments(3)
tw.SaveConsumerKey WScript.Arguments(3)
Set other = CreateObject("Velmora.Twitter")
other.LoadAccessKey WScript.Arguments(3)
other.LoadConsumerKey WScript.Arguments(3)
Report "keys", other.LastError & " " & (other.AccessToken = tw.AccessToken And other.ConsumerSecret = tw.ConsumerSecret)

reply = tw.APICall("account/verify_credentials", "xml")
Report "signed", tw.LastError & " " & (InStr(reply, "<screen_name>warbler_demo</screen_name>") > 0)
Set unsigned = CreateObject("Velmora.Twitter")
unsigned.LogFile = WScript.Arguments(2)
reply = unsigned.APICall("statuses/public_timeline", "xml", "count=2")
Report "unsigned", unsigned.LastError & " " & (UBound(Split(reply, "<status>")))

id = tw.Tweet("A status from the flow")
Report "tweet", tw.LastError & " " & id
reply = tw.DirectTweet("thanks", "alice", id)
Report "reply", tw.LastError & " " & reply
tw.Tweet ""
Report "empty", tw.LastError
tw.Follow "fan_01"
Report "follow", tw.LastError
tw.Follow "fan_01"
Report "follow again", tw.LastError
tw.UnFollow "fan_01"
Report "unfollow", tw.LastError

count = 0
Set item = tw.FindFirstTweet("home", "", "", 5)
first = item.Id
Do While Not (item Is Nothing)
    count = count + 1
    Set item = tw.FindNextTweet()
Loop
Report "timeline", count & " " & tw.LastError
Report "reuse", (tw.FindFirstTweet("home", "", "", 5).Id = first) & " " & tw.LastError

count = 0
Set item = tw.FindFirstFriend()
Do While Not (item Is Nothing)
    count = count + 1
    Set item = tw.FindNextUser()
Loop
Report "friends", count & " " & tw.LastError

' Text beyond ASCII goes out in UTF-8; a text keeps its blanks; a key file without a folder is
' the current folder's for saving and loading alike. (Wine's VBScript has no ChrW; Chr(233) is
' U+00E9 in the prefix's code page, 1252, as on a Western Windows.)
tw.Tweet "Hello " & Chr(233)
Report "unicode tweet", tw.LastError
Report "unicode text", (tw.FindFirstTweet("home", "", "", 1).Text = "Hello " & Chr(233)) & " " & tw.LastError
tw.Tweet "  two  spaces   line2  "
Report "blanks", (tw.FindFirstTweet("home", "", "", 2).Text = "  two  spaces   line2  ") & " " & tw.LastError
tw.SaveAccessKey "flow-relative.ini"
Set other = CreateObject("Velmora.Twitter")
other.LoadAccessKey "flow-relative.ini"
Report "relative keys", other.LastError & " " & (other.AccessToken = tw.AccessToken)

tw.APICall "http://127.0.0.1:1/refused", "xml"
Report "refused", tw.LastError
tw.AccessTokenSecret = "wrong"
tw.APICall "account/verify_credentials", "xml"
Report "denied", tw.LastError

Sub Report(stepName, values)
    WScript.Echo stepName & ": " & LCase(values)
End Sub
