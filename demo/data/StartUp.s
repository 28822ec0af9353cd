// 月見デモ — the first script the engine runs.
// The engine starts the game thread at @@top; resetting the game from the
// menu goes through @@reset.

@@reset
\go,@@top

@@top
\gvar,int,Beat,Clicks,ClickTime[4]
\gvar,str,Scene,Lines[4]
\cal,Scene="タイトル"
\cal,Lines[0]="月が昇る。"
\cal,Lines[1]="縁側に団子が並ぶ。"
\cal,Lines[2]="すすきが風に揺れる。"
\cal,Lines[3]="今宵は十五夜。"
\sub,@@story
\go,@@top

// Four beats, each ended by a click (or Enter) or by five seconds.
@@story
\cal,Scene="本編"
\for,Beat=0,Beat<4,Beat++
\clk,5000
\cal,ClickTime[Beat]=ResultClkInt[0]
\cal,Clicks=Clicks+1
\end
\cal,Scene="おわり"
\wait,500
\ret
