' Walks a timeline: "home" (the default), "public", "mentions", ... or a user's screen name.
'   cscript //nologo Timeline.vbs KEYFILE [TIMELINE] [COUNT]
Option Explicit
If WScript.Arguments.Count < 1 Then
    WScript.Echo "usage: cscript Timeline.vbs KEYFILE [TIMELINE] [COUNT]"
    WScript.Quit 2
End If
Dim twitter, timeline, count, status, shown
Set twitter = CreateObject("Velmora.Twitter")
' A mistyped key file would otherwise show as the service refusing the call.
twitter.LoadConsumerKey WScript.Arguments(0)
If twitter.LastError = 0 Then twitter.LoadAccessKey WScript.Arguments(0)
If twitter.LastError <> 0 Then
    WScript.Echo "No keys: " & twitter.GetErrorDescription(twitter.LastError)
    WScript.Quit 1
End If
timeline = "home"
count = 20
If WScript.Arguments.Count >= 2 Then timeline = WScript.Arguments(1)
If WScript.Arguments.Count >= 3 Then count = CLng(WScript.Arguments(2))

shown = 0
Set status = twitter.FindFirstTweet(timeline, "", "", count)
Do While Not (status Is Nothing)
    WScript.Echo status.CreatedAt & "  @" & status.User.ScreenName & ": " & status.Text
    shown = shown + 1
    Set status = twitter.FindNextTweet()
Loop
' 35015 ends every walk; anything else is a failure.
If twitter.LastError <> 35015 Then
    WScript.Echo "Failed: " & twitter.LastError & " " & twitter.GetErrorDescription(twitter.LastError)
    WScript.Quit 1
End If
WScript.Echo shown & " statuses"
