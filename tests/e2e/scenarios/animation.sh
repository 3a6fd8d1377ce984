# The caption animation goes on while a large tree is walked.
drives D
mkdir -p "$SANDBOX"/D/tree{000..199}/leaf{00..99}
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-gone
frames-until-dialog 2 600
text-is "Done!"
press OK
wait-box "Close Marlowen Update?"
main-caption-is "Mwn Update"
press Yes
expect-exit 60 0
SCENARIO
updater_ended
