# Shared by the batch converter's shell checks (sourced): running a command
# line in Wine's command prompt from the folder $program_folder.

fail() { echo "FAILED: $*"; exit 1; }

# run COMMAND_LINE: runs it in Wine's cmd.exe from the program's folder; sets status and output.
run() {
  echo "> $1"
  set +e
  output=$(cd "$program_folder" && wine cmd.exe /c "$1" 2>&1)
  status=$?
  set -e
  output=$(echo "$output" | tr -d '\r')
  echo "$output"
}
