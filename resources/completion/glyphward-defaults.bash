# bash completion for glyphward-defaults
_glyphward_defaults_domains()
{
    # The domains of the root the command line names, as the tool lists them.
    local root=() i
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == --root ]] && root=(--root "${COMP_WORDS[i+1]}")
    done
    glyphward-defaults "${root[@]}" domains 2>/dev/null | tr -d ' ' | tr ',' '\n'
}

_glyphward_defaults()
{
    local cur prev verb="" i first=1 nth
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    if [[ $prev == --root ]]; then
        COMPREPLY=($(compgen -d -- "$cur"))
        return
    fi
    # The verb is the first word that is not the tool's own option.
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} == --root ]]; then
            ((i++))
        elif [[ -z $verb ]]; then
            verb=${COMP_WORDS[i]}
            first=$i
        fi
    done
    if [[ -z $verb ]]; then
        COMPREPLY=($(compgen -W "read read-type write delete domains find export import rename
            --root --help --version" -- "$cur"))
        return
    fi
    nth=$((COMP_CWORD - first))
    case $verb in
        read|read-type|write|delete|export|import|rename)
            if ((nth == 1)); then
                COMPREPLY=($(compgen -W "$(_glyphward_defaults_domains)" -- "$cur"))
            elif [[ $verb == write ]] && ((nth == 3)); then
                COMPREPLY=($(compgen -W "-bool -boolean -int -integer -float -string -data -date
                    -array -array-add -dict -dict-add" -- "$cur"))
            elif [[ $verb == write ]] && ((nth == 4)) && [[ $prev == -bool || $prev == -boolean ]]; then
                COMPREPLY=($(compgen -W "YES NO" -- "$cur"))
            elif [[ $verb == export || $verb == import ]] && ((nth == 2)); then
                COMPREPLY=($(compgen -f -- "$cur") -)
            fi ;;
    esac
}
complete -F _glyphward_defaults glyphward-defaults
