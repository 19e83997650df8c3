// Placeholder: these tests land with their code.
