# bash completion for orvanta-cli
_orvanta_cli() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  local options="--function --window-name --url --width --height --top --left --center
    --type --trigger --option --delay --close --link --json --test-pages --settings
    --save-settings --help"
  case $prev in
    -t|--type) COMPREPLY=($(compgen -W "normal over under inpage" -- "$cur")); return ;;
    -a|--trigger) COMPREPLY=($(compgen -W "link load close button mouseover image" -- "$cur")); return ;;
    -o|--option) COMPREPLY=($(compgen -W "toolbar location directories status menubar scrollbars resizable dependent fullscreen titlebar" -- "$cur")); return ;;
    --test-pages) COMPREPLY=($(compgen -d -- "$cur")); return ;;
    --settings|--save-settings) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    -f|--function|-w|--window-name|-u|--url|--width|--height|--top|--left|-d|--delay|-x|--close) return ;;
  esac
  local i
  for ((i = 1; i < COMP_CWORD; i++)); do
    if [[ ${COMP_WORDS[i]} == generate ]]; then
      COMPREPLY=($(compgen -W "$options" -- "$cur"))
      return
    fi
  done
  COMPREPLY=($(compgen -W "generate --help --version" -- "$cur"))
}
complete -F _orvanta_cli orvanta-cli
