' The automation objects as a VBScript author meets them: creation by ProgID, the fixed
' properties, every property set and read back. The first argument is the DLL's
' architecture, x64 or x86; the others are result codes whose descriptions are printed as
' "description CODE TEXT" for the caller to compare.
Option Explicit
Dim passed, failed
passed = 0
failed = 0

Sub Check(condition, what)
    If condition Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAIL: " & what
    End If
End Sub

Dim tw, i, arch
arch = WScript.Arguments(0)
Set tw = CreateObject("Velmora.Twitter")
Check TypeName(tw) = "ITwitter", "TypeName of Velmora.Twitter"
Check tw.Version = "2.0-beta (" & arch & ")", "Version"
Check tw.Build = "2.0.10.816 (" & arch & ")", "Build"
Check tw.Module = "Warbler" & arch & ".dll", "Module"
Check tw.LastError = 0, "LastError of a new object"
Check tw.UseSSL = False, "UseSSL of a new object"
' Wine's WScript.Arguments has no enumerator: walk it by index.
For i = 1 To WScript.Arguments.Count - 1
    WScript.Echo "description " & WScript.Arguments(i) & " " & tw.GetErrorDescription(CLng(WScript.Arguments(i)))
Next

' Scripts written for [out] arguments pass the last one by reference.
Dim text, found
text = "an old value"
tw.GetErrorDescription 35000, text
Check text = "An access token is required for this operation.", "GetErrorDescription by reference"
Set found = tw
tw.FindNextUser found
Check found Is Nothing, "FindNextUser by reference"
Check tw.LastError = 25016, "FindNextUser of an empty list: 25016"

tw.LogFile = "c:\warbler-objects.log"
tw.ConsumerKey = "consumer key"
tw.ConsumerSecret = "consumer secret"
tw.AccessToken = "12345-token"
tw.AccessTokenSecret = "token secret"
tw.ProxyServer = "127.0.0.1:3128"
tw.ProxyAccount = "proxy user"
tw.ProxyPassword = "proxy password"
tw.HttpLibrary = "no-such-transport.dll"
tw.UseSSL = 5
Check tw.LogFile = "c:\warbler-objects.log", "LogFile"
Check tw.ConsumerKey = "consumer key", "ConsumerKey"
Check tw.ConsumerSecret = "consumer secret", "ConsumerSecret"
Check tw.AccessToken = "12345-token", "AccessToken"
Check tw.AccessTokenSecret = "token secret", "AccessTokenSecret"
Check tw.ProxyServer = "127.0.0.1:3128", "ProxyServer"
Check tw.ProxyAccount = "proxy user", "ProxyAccount"
Check tw.ProxyPassword = "proxy password", "ProxyPassword"
Check tw.HttpLibrary = "no-such-transport.dll", "HttpLibrary"
Check tw.UseSSL = True, "UseSSL = 5 reads True"
Check CInt(tw.UseSSL) = -1, "UseSSL is VARIANT_TRUE"

' A method that fails still returns: the outcome is in LastError.
Dim tweet
Set tweet = tw.FindNextTweet()
Check tweet Is Nothing, "FindNextTweet of an empty list gives Nothing"
Check tw.LastError = 35015, "FindNextTweet of an empty list: 35015"
Check tw.GetErrorDescription(tw.LastError) = "There are no (more) status messages", "its description"

Dim progId, made
For Each progId In Array("Velmora.Twitter.1", "Velmora.Twitter.Status", "Velmora.Twitter.Status.1", _
                         "Velmora.Twitter.User", "Velmora.Twitter.User.1")
    Set made = CreateObject(progId)
    Check Not (made Is Nothing), "CreateObject " & progId
Next
Dim status, person
Set status = CreateObject("Velmora.Twitter.Status")
Check TypeName(status) = "ITweet" And status.Text = "" And status.XML = "", "a new Status"
Set person = CreateObject("Velmora.Twitter.User")
Check TypeName(person) = "IUser" And person.NumTweets = 0 And person.Protected = False, "a new User"

WScript.Echo passed & " passed, " & failed & " failed"
WScript.Quit failed
