# bash completion for tarnwick-cli                     -*- shell-script -*-
# Installed as share/bash-completion/completions/tarnwick-cli.

_tarnwick_cli() {
  local cur prev words cword
  _init_completion -n : || return  # a URL's colon is no word break

  local command="" i
  for ((i = 1; i < cword; i++)); do
    case "${words[i]}" in
      convert | dump | update | help) command=${words[i]}; break ;;
    esac
  done

  case "$prev" in
    -o | --output-dir) _filedir -d; return ;;
    --max-h | --brighter-than | --first) return ;;  # a number
    --class)
      # A comma-separated list: complete the name after the last comma.
      local names='atira aten apollo amor mars-crosser hungaria hilda trojan distant neo pha'
      local head=${cur%"${cur##*,}"}
      COMPREPLY=($(compgen -P "$head" -W "$names" -- "${cur##*,}"))
      compopt -o nospace 2> /dev/null
      return
      ;;
    --url)
      COMPREPLY=($(compgen -W 'https://minorplanetcenter.net/iau/MPCORB/MPCORB.DAT.gz' -- "$cur"))
      __ltrim_colon_completions "$cur"
      return
      ;;
  esac

  case "$command" in
    "") COMPREPLY=($(compgen -W 'convert dump update help --help --version' -- "$cur")) ;;
    help) COMPREPLY=($(compgen -W 'convert dump update' -- "$cur")) ;;
    convert)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-o --output-dir -y --yes -q --quiet --max-h --brighter-than
          --class --numbered --first -h --help' -- "$cur"))
      else
        _filedir '@(DAT|dat|gz|GZ|ZIP|zip)'
      fi
      ;;
    update) COMPREPLY=($(compgen -W '-o --output-dir --url -y --yes -q --quiet --max-h
      --brighter-than --class --numbered --first -h --help' -- "$cur")) ;;
    dump)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--orbits --info --summary -h --help' -- "$cur"))
      else
        _filedir '@(dat|DAT)'
      fi
      ;;
  esac
} && complete -F _tarnwick_cli tarnwick-cli
