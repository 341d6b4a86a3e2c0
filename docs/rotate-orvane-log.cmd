@echo off
rem Rotation of OrvaneLib's diagnostic log on Windows: keeps the log and seven
rem older generations, ~log.1.txt (the newest) to ~log.7.txt. The library opens
rem the log by name for every event, so renaming it is all it takes: the next
rem event starts a new file. Run it daily with Task Scheduler, for example:
rem   schtasks /create /tn OrvaneLogRotation /sc daily /st 03:00 /tr "C:\OrvaneLib\rotate-orvane-log.cmd"
rem The folder is d:\ unless given as the first argument.
setlocal
set "folder=%~1"
if "%folder%"=="" set "folder=d:\"
if not "%folder:~-1%"=="\" set "folder=%folder%\"
if not exist "%folder%~log.txt" exit /b 0
if exist "%folder%~log.7.txt" del /f /q "%folder%~log.7.txt"
for %%n in (6 5 4 3 2 1) do call :shift %%n
move /y "%folder%~log.txt" "%folder%~log.1.txt" >nul
exit /b %errorlevel%

:shift
set /a next=%1+1
if exist "%folder%~log.%1.txt" move /y "%folder%~log.%1.txt" "%folder%~log.%next%.txt" >nul
exit /b 0
